// Waiting in tests that run the console's GUI thread themselves.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>

namespace guiwait {

constexpr int kDefaultWaitMs = 20000;
constexpr int kPollMs = 5;

// Polls the condition, pumping the GUI thread's events, until it holds.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kDefaultWaitMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
    }
    return true;
}

} // namespace guiwait
