#include "xserver.h"

namespace {
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;
} // namespace

XServer::XServer(Use use)
{
    if (use == Use::AnyDisplay) {
        m_display = qEnvironmentVariable("DISPLAY");
        if (!m_display.isEmpty())
            return;
    }
    // -displayfd: Xvfb picks a free display and prints its number when ready.
    m_xvfb.start(QStringLiteral("Xvfb"),
                 {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
    if (!m_xvfb.waitForStarted(kStartTimeoutMs))
        return;
    QByteArray out;
    while (!out.contains('\n') && m_xvfb.waitForReadyRead(kStartTimeoutMs))
        out += m_xvfb.readAllStandardOutput();
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (ok)
        m_display = QStringLiteral(":%1").arg(number);
}

XServer::~XServer()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        if (!m_xvfb.waitForFinished(kStopTimeoutMs))
            m_xvfb.kill();
    }
}
