// crawler-sim as a child process on 127.0.0.1 with a free port, its output read line
// by line. Stops the simulator when it goes out of scope.
#pragma once

#include <QProcess>
#include <QStringList>

class CrawlerSimProcess {
public:
    // Starts "crawler-sim --host 127.0.0.1 --port 0 -v" plus extraArguments and waits
    // for its listening line; port() is 0 when that never came.
    explicit CrawlerSimProcess(const QStringList& extraArguments = {});
    ~CrawlerSimProcess();
    CrawlerSimProcess(const CrawlerSimProcess&) = delete;
    CrawlerSimProcess& operator=(const CrawlerSimProcess&) = delete;

    int port() const { return m_port; }
    // Every complete line printed so far.
    const QStringList& lines();
    // Waits, processing events, until a line at index from or later satisfies the
    // prefix; returns its index or -1 on timeout.
    int WaitForLine(const QString& prefix, int from, int timeoutMs);
    // The next line after index from starting with "cmd ", or an empty text on timeout.
    QString NextCommand(int& from, int timeoutMs);

private:
    void ReadOutput();

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    int m_port = 0;
};
