// The Moravel program run for real, with a private configuration (and
// home) whose link points at a crawler-sim on 127.0.0.1.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class ConsoleProcess {
public:
    ConsoleProcess(const QString& display, int simPort);
    ~ConsoleProcess();
    ConsoleProcess(const ConsoleProcess&) = delete;
    ConsoleProcess& operator=(const ConsoleProcess&) = delete;

    static QString programPath();
    // The private config.ini; tests may add sections before start().
    QString configFile() const { return m_config.path() + "/Moravel/config.ini"; }
    // Adds INI text (sections and keys) to the private config.ini.
    void appendConfig(const QString& text);
    // Simulated cameras (netcam "sim:" addresses such as
    // "main?w=640&h=360&fps=25") recorded at 25 fps into saveFolder.
    void useSimulatedCameras(const QString& main, const QString& back, const QString& saveFolder);
    // The debug stream goes nowhere instead of into lines(): for runs that
    // would print more than anyone reads.
    void discardDebugOutput();
    void start();
    void stop();
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    // CPU time used so far (user and system), -1 when the program has not
    // started or has ended; its resident memory now, 0 then.
    double cpuSeconds() const;
    double residentMb() const;
    // Waits for the program to end by itself; false when it is still running.
    bool waitForExit(int timeoutMs);
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }
    // Debug-stream lines (standard error) seen so far.
    const QStringList& lines();
    bool waitFor(const std::function<bool()>& condition, int timeoutMs);

private:
    QTemporaryDir m_config;
    QProcess m_process;
    QStringList m_lines;
    QByteArray m_pending;
};
