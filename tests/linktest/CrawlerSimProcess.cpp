#include "CrawlerSimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kStopTimeoutMs = 10000;
constexpr int kPollMs = 20;
const QString kListening = QStringLiteral("crawler-sim listening on 127.0.0.1:");

} // namespace

CrawlerSimProcess::CrawlerSimProcess(const QStringList& extraArguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(CRAWLER_SIM_PATH),
                    QStringList{"--host", "127.0.0.1", "--port", "0", "-v"} + extraArguments);
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        return;
    }
    const int index = WaitForLine(kListening, 0, kStartTimeoutMs);
    // The listening line must be the first line, exactly as agreed.
    if (index == 0) {
        m_port = m_lines.first().mid(kListening.size()).toInt();
    }
}

CrawlerSimProcess::~CrawlerSimProcess()
{
    if (m_process.state() == QProcess::NotRunning) {
        return;
    }
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

const QStringList& CrawlerSimProcess::lines()
{
    ReadOutput();
    return m_lines;
}

void CrawlerSimProcess::ReadOutput()
{
    m_partial += m_process.readAllStandardOutput();
    int newline = 0;
    while ((newline = m_partial.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_partial.left(newline)).trimmed();
        m_partial.remove(0, newline + 1);
    }
}

int CrawlerSimProcess::WaitForLine(const QString& prefix, int from, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        ReadOutput();
        for (int i = from; i < m_lines.size(); ++i) {
            if (m_lines[i].startsWith(prefix)) {
                return i;
            }
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            return -1;
        }
        // The dialog under test needs its events while the simulator answers.
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        m_process.waitForReadyRead(kPollMs);
    }
}

QString CrawlerSimProcess::NextCommand(int& from, int timeoutMs)
{
    const int index = WaitForLine(QStringLiteral("cmd "), from, timeoutMs);
    if (index < 0) {
        return {};
    }
    from = index + 1;
    return m_lines[index];
}
