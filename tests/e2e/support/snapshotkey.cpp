#include "snapshotkey.h"

#include "polling.h"
#include "xinput.h"

#include <QDir>

namespace {
constexpr int kRetryMs = 2000;
} // namespace

SnapshotKey::SnapshotKey(const QString& display, const QString& saveFolder)
    : m_display(display), m_saveFolder(saveFolder)
{
}

void SnapshotKey::press()
{
    m_before = snapshots();
    m_pressed.start();
    xinput::pressKeyAt(m_display, xinput::kConsoleKeyboardPoint, QStringLiteral("F2"));
}

bool SnapshotKey::answered() const
{
    return m_pressed.isValid() && snapshots() > m_before;
}

qint64 SnapshotKey::sincePressMs() const
{
    return m_pressed.isValid() ? m_pressed.elapsed() : -1;
}

bool SnapshotKey::waitForAnswer(int timeoutMs) const
{
    return waitUntil([this] { return answered(); }, timeoutMs);
}

bool SnapshotKey::pressUntilAnswered(int timeoutMs)
{
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < timeoutMs) {
        press();
        if (waitForAnswer(kRetryMs))
            return true;
    }
    return false;
}

int SnapshotKey::snapshots() const
{
    return QDir(m_saveFolder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
}
