#include "troubledfolder.h"

#include <QFile>

#include <sys/mount.h>
#include <unistd.h>

#include <vector>

namespace {

// Room for a few small files, so the disk can be filled in a moment.
const char* const kTmpfsOptions = "size=256k,mode=0777";
constexpr size_t kFillChunk = 4096;

// Writes a file until the disk takes no more.
void fill(const QString& folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const std::vector<char> chunk(kFillChunk, 'x');
    for (size_t size = chunk.size(); size > 0; size /= 2) {
        while (filler.write(chunk.data(), static_cast<qint64>(size)) == static_cast<qint64>(size)) {
        }
    }
}

} // namespace

TroubledFolder::TroubledFolder(const QString& folder, Trouble trouble) : m_folder(folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (geteuid() == 0) {
        const unsigned long flags =
            MS_NOSUID | MS_NODEV | (trouble == Trouble::ReadOnly ? MS_RDONLY : 0);
        m_mounted = ::mount("tmpfs", path.constData(), "tmpfs", flags, kTmpfsOptions) == 0;
        if (m_mounted && trouble == Trouble::Full)
            fill(folder);
        m_ready = m_mounted;
    } else if (trouble == Trouble::ReadOnly) {
        m_ready = QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    }
}

TroubledFolder::~TroubledFolder()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    else if (m_ready)
        QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
