#include "startupthread.h"

#include "signalstack.h"

#include <pthread.h>

StartupThread::StartupThread(Body body) : m_body(std::move(body))
{
}

StartupThread::~StartupThread()
{
    stop();
}

bool StartupThread::start(Serve serve)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping)
        return false;
    if (m_bRunning) {
        m_bRunAgain = true;
        if (serve == Serve::AtOnce) {
            m_bWakeNow = true;
            m_wake.notify_all();
        }
        return false;
    }
    // A finished thread has left run() already; joining it is immediate.
    if (m_thread.joinable())
        m_thread.join();
    m_bRunning = true;
    m_thread = std::thread(&StartupThread::run, this);
    return true;
}

void StartupThread::stop()
{
    std::thread finishing;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
        finishing = std::move(m_thread);
    }
    m_wake.notify_all();
    if (finishing.joinable())
        finishing.join();
}

bool StartupThread::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bRunning;
}

bool StartupThread::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, duration, [this] { return m_bStopping || m_bWakeNow; });
    if (m_bWakeNow) {
        // The pass that follows serves the request.
        m_bWakeNow = false;
        m_bRunAgain = false;
    }
    return !m_bStopping;
}

bool StartupThread::stopRequested() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStopping;
}

void StartupThread::run()
{
    crash::guardThisThread();
    ::pthread_setname_np(::pthread_self(), "startup");
    for (;;) {
        m_body();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWakeNow = false; // the run that follows (or none is needed) serves it
        if (!m_bRunAgain || m_bStopping) {
            m_bRunning = false;
            m_bRunAgain = false;
            return;
        }
        m_bRunAgain = false;
    }
}
