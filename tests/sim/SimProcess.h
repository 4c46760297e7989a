// Runs crawler-sim as a child process for tests and benchmarks, always on
// 127.0.0.1 with a free port, and collects its output lines.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace simtest {

class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    // Starts crawler-sim with --host 127.0.0.1 --port <port> and the given
    // options; true once it announced its port.
    bool start(const std::vector<std::string>& options, int port = 0);
    int port() const { return port_; }

    // Waits until a line equal to text has appeared (counting from line
    // index from); returns its index or -1 on timeout.
    int waitForLine(const std::string& text, std::chrono::milliseconds timeout, size_t from = 0);
    // Waits until at least count lines starting with prefix have appeared.
    bool waitForPrefixCount(const std::string& prefix, size_t count,
                            std::chrono::milliseconds timeout);
    std::vector<std::string> lines() const;
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;

    // Processor time (user and system) the process has used so far; -1 when unknown.
    double cpuSeconds() const;

    // SIGSTOP and SIGCONT: while paused it reads and sends nothing, as a
    // crawler busy elsewhere.
    void pause();
    void resume();

    // SIGTERM and wait; returns the exit status, or -1 if it did not exit normally.
    int stop();
    // The signal only, for tests that take several processes down at once;
    // stop() or kill() waits for it afterwards.
    void signal(int signalNumber) const;
    // SIGKILL and wait.
    void kill();

private:
    void readOutput(int fd);
    void reap();

    pid_t pid_ = -1;
    int port_ = 0;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool eof_ = false;
};

// The path of the crawler-sim program next to the test programs.
std::string crawlerSimPath();

} // namespace simtest
