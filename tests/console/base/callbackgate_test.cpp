// The gate library callbacks pass: a close waits for the callbacks already
// inside and turns every later one away.
#include "callbackgate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(CallbackGate, CloseWaitsForTheCallbackInsideAndRefusesLaterOnes)
{
    CallbackGate gate;
    std::atomic<bool> inside{false};
    std::atomic<bool> leave{false};
    std::atomic<bool> done{false};
    std::atomic<bool> doneWhenClosed{false};
    std::thread callback([&] {
        const CallbackGate::Scope scope(gate);
        ASSERT_TRUE(scope);
        inside = true;
        while (!leave)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(50ms);
        done = true;
    });
    while (!inside)
        std::this_thread::sleep_for(1ms);
    std::thread closer([&] {
        leave = true;
        gate.close();
        doneWhenClosed = done.load();
    });
    closer.join();
    callback.join();
    EXPECT_TRUE(doneWhenClosed) << "close() returned while the callback was still inside";

    const CallbackGate::Scope late(gate);
    EXPECT_FALSE(late);
    gate.close(); // nothing inside: returns at once
}

} // namespace
