// Runs the console's start-up work on one background thread at a time.
// A start request while it runs makes it run once more instead of
// starting a second thread (or, asked to serve it at once, cuts the body's
// sleep short); stop() wakes and joins it for good.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class StartupThread {
public:
    using Body = std::function<void()>;

    explicit StartupThread(Body body);
    ~StartupThread();
    StartupThread(const StartupThread&) = delete;
    StartupThread& operator=(const StartupThread&) = delete;

    // When a request that finds the thread running is served: after the
    // body's sleep, keeping its retry rhythm, or at once.
    enum class Serve { AfterSleep, AtOnce };

    // Safe from any thread except the start-up thread itself being stopped.
    // Returns true when a new thread was created.
    bool start(Serve serve = Serve::AfterSleep);
    // Wakes a sleeping body, waits for the thread to end; no start after it.
    void stop();
    bool isRunning() const;

    // For the body: sleeps, returns false at once when stop() was called and
    // true at once when start(Serve::AtOnce) was (the next pass serves it).
    bool sleepFor(std::chrono::milliseconds duration);
    bool stopRequested() const;

private:
    void run();

    Body m_body;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_bRunning = false;
    bool m_bRunAgain = false;
    bool m_bWakeNow = false;
    bool m_bStopping = false;
};
