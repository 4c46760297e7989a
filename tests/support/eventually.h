// Waiting in tests for another thread's work, without an event loop: polls the
// condition every millisecond, for at most 20 s.
#pragma once

#include <chrono>
#include <thread>

namespace testwait {

template <typename Condition> bool eventually(Condition condition)
{
    using namespace std::chrono_literals;
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace testwait
