#include "xserver.h"

#include "polling.h"

namespace {
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopTimeoutMs = 5000;

// A window manager marks the root window once it manages the screen.
bool windowManagerRunning(const QString& display)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {"-display", display, "-root", "_NET_SUPPORTING_WM_CHECK"});
    xprop.waitForFinished(kStartTimeoutMs);
    return xprop.readAllStandardOutput().contains("window id");
}
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
    stopProcess(m_windowManager, kStopTimeoutMs);
    stopProcess(m_xvfb, kStopTimeoutMs);
}

bool XServer::startWindowManager()
{
    if (m_display.isEmpty())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_display);
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.start(QStringLiteral("openbox"), {"--sm-disable"});
    if (!m_windowManager.waitForStarted(kStartTimeoutMs))
        return false;
    return waitUntil([this] { return windowManagerRunning(m_display); }, kStartTimeoutMs);
}
