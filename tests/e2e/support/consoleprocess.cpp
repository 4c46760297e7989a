#include "consoleprocess.h"

#include "childprocess.h"
#include "polling.h"
#include "processmemory.h"

#include <QDir>
#include <QFile>
#include <QTextCodec>

#include <unistd.h>

namespace {
constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 10000;
constexpr int kPollMs = 10;
} // namespace

ConsoleProcess::ConsoleProcess(const QString& display, int simPort)
{
    const QString folder = m_config.path() + "/Moravel";
    QDir().mkpath(folder);
    QFile ini(folder + "/config.ini");
    if (ini.open(QIODevice::WriteOnly)) {
        const QString text = QStringLiteral("[com]\nip=127.0.0.1\nport=%1\n"
                                            "[systemconfig]\ntaskname=端到端\nfontcolor=红\n")
                                 .arg(simPort);
        ini.write(QTextCodec::codecForName("GB2312")->fromUnicode(text));
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", m_config.path());
    env.insert("HOME", m_config.path());
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

void ConsoleProcess::appendConfig(const QString& text)
{
    QFile ini(configFile());
    if (ini.open(QIODevice::Append))
        ini.write(QTextCodec::codecForName("GB2312")->fromUnicode(text));
}

void ConsoleProcess::useSimulatedCameras(const QString& main, const QString& back,
                                         const QString& saveFolder)
{
    const QString camera = QStringLiteral("ip=sim:%1\nport=0\nname=e2e\npassword=e2e-pw\n");
    appendConfig(QStringLiteral("[came]\nfps=25\n[savedir]\npath=%1/\n").arg(saveFolder) +
                 QStringLiteral("[lognone]\n") + camera.arg(main) + QStringLiteral("[logntwo]\n") +
                 camera.arg(back));
}

void ConsoleProcess::discardDebugOutput()
{
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

ConsoleProcess::~ConsoleProcess()
{
    stop();
}

QString ConsoleProcess::programPath()
{
    return QStringLiteral(MORAVEL_PROGRAM);
}

void ConsoleProcess::start()
{
    m_lines.clear();
    m_pending.clear();
    m_process.start(programPath(), QStringList());
    // Without it the process would count as running only once some wait
    // had let QProcess see it start.
    m_process.waitForStarted(kStartTimeoutMs);
}

void ConsoleProcess::stop()
{
    stopProcess(m_process, kStopTimeoutMs);
}

double ConsoleProcess::cpuSeconds() const
{
    return childprocess::cpuSeconds(static_cast<pid_t>(pid()));
}

double ConsoleProcess::residentMb() const
{
    const double megabytes = pid() > 0 ? residentMegabytes(static_cast<pid_t>(pid())) : -1;
    return megabytes < 0 ? 0 : megabytes;
}

bool ConsoleProcess::waitForExit(int timeoutMs)
{
    return waitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
}

const QStringList& ConsoleProcess::lines()
{
    m_pending += m_process.readAllStandardError();
    int end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_lines << QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
    }
    return m_lines;
}

bool ConsoleProcess::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return waitUntil(
        [&] {
            m_process.waitForReadyRead(kPollMs);
            lines();
            return condition();
        },
        timeoutMs);
}
