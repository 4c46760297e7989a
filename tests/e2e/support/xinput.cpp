#include "xinput.h"

#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

namespace xinput {

namespace {

constexpr int kToolWaitMs = 60000;

void startTool(QProcess& tool, const QString& display, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), arguments);
}

} // namespace

int xdotool(const QString& display, const QStringList& arguments, QString* output)
{
    QProcess tool;
    startTool(tool, display, arguments);
    if (!tool.waitForFinished(kToolWaitMs))
        return -1; // the tool is killed with tool
    if (output != nullptr)
        *output = QString::fromUtf8(tool.readAllStandardOutput());
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

int xdotoolPumping(const QString& display, const QStringList& arguments)
{
    QProcess tool;
    QEventLoop loop;
    QObject::connect(&tool, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&tool, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(kToolWaitMs, &loop, &QEventLoop::quit);
    startTool(tool, display, arguments);
    loop.exec();
    if (tool.state() != QProcess::NotRunning)
        return -1; // the tool is killed with tool
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

bool pressKeyAt(const QString& display, const QPoint& point, const QString& key)
{
    return xdotool(display, {QStringLiteral("mousemove"), QString::number(point.x()),
                             QString::number(point.y()), QStringLiteral("key"), key}) == 0;
}

bool windowShows(const QString& display, const QString& name)
{
    QString windows;
    return xdotool(
               display,
               {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), name},
               &windows) == 0 &&
           !windows.trimmed().isEmpty();
}

} // namespace xinput
