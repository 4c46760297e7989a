// A crawler-sim process on 127.0.0.1 for tests and benchmarks: started on
// a free port, its stdout lines collected while waiting.
#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

class CrawlerSim {
public:
    // port 0 lets the simulator pick a free port.
    explicit CrawlerSim(QStringList extraArgs = {"-v"}, int port = 0);
    ~CrawlerSim();
    CrawlerSim(const CrawlerSim&) = delete;
    CrawlerSim& operator=(const CrawlerSim&) = delete;

    // Starts it and waits for its listening line; false when it did not come.
    bool start();
    // SIGKILL, as a crawler that loses power.
    void kill();
    int port() const { return m_port; }

    // Lines seen so far that equal the text.
    int count(const QString& line);
    const QStringList& lines();
    // Polls (pumping the caller's Qt events) until the condition holds.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs);

private:
    void collect();

    QStringList m_args;
    int m_port;
    QProcess m_process;
    QStringList m_lines;
    QByteArray m_pending;
};

// Polls the condition, pumping Qt events, until it holds or time runs out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs);
