#include "crawlersim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

namespace {
constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;
constexpr int kPollMs = 10;
} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        QThread::msleep(kPollMs);
    }
    return true;
}

CrawlerSim::CrawlerSim(QStringList extraArgs, int port) : m_args(std::move(extraArgs)), m_port(port)
{
}

CrawlerSim::~CrawlerSim()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(kStopTimeoutMs))
            kill();
    }
}

bool CrawlerSim::start()
{
    QStringList args{"--host", "127.0.0.1", "--port", QString::number(m_port)};
    args += m_args;
    m_lines.clear();
    m_pending.clear();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(MORAVEL_CRAWLER_SIM), args);
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    static const QRegularExpression listening(
        QStringLiteral("^crawler-sim listening on 127\\.0\\.0\\.1:(\\d+)$"));
    return waitFor(
        [this] {
            for (const QString& line : m_lines) {
                const auto match = listening.match(line);
                if (match.hasMatch()) {
                    m_port = match.captured(1).toInt();
                    return true;
                }
            }
            return false;
        },
        kStartTimeoutMs);
}

void CrawlerSim::kill()
{
    m_process.kill();
    m_process.waitForFinished(kStopTimeoutMs);
    collect();
}

void CrawlerSim::collect()
{
    m_pending += m_process.readAllStandardOutput();
    int end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
    }
}

int CrawlerSim::count(const QString& line)
{
    collect();
    return static_cast<int>(m_lines.count(line));
}

const QStringList& CrawlerSim::lines()
{
    collect();
    return m_lines;
}

bool CrawlerSim::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return waitUntil(
        [&] {
            m_process.waitForReadyRead(kPollMs);
            collect();
            return condition();
        },
        timeoutMs);
}
