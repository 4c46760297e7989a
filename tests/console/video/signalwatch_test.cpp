#include "signalwatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Change = SignalWatch::Change;
const SignalWatch::Clock::time_point t0 = SignalWatch::Clock::now();

TEST(SignalWatch, NoFrameYetIsNoLoss)
{
    SignalWatch watch;
    EXPECT_EQ(watch.check(t0 + 1h), Change::None);
    EXPECT_FALSE(watch.isLost());
}

TEST(SignalWatch, LostAfterOnePointFourSecondsWithoutAFrameAndBackWithTheNextOne)
{
    SignalWatch watch;
    watch.frameArrived(t0);
    watch.frameArrived(t0 + 40ms);
    EXPECT_EQ(watch.check(t0 + 1439ms), Change::None);
    EXPECT_EQ(watch.check(t0 + 1440ms), Change::Lost);
    EXPECT_TRUE(watch.isLost());
    EXPECT_EQ(watch.lostSince(), t0 + 40ms);
    EXPECT_EQ(watch.check(t0 + 9s), Change::None); // one report per loss
    watch.frameArrived(t0 + 10s);
    watch.frameArrived(t0 + 10040ms);
    EXPECT_EQ(watch.check(t0 + 10100ms), Change::Back);
    EXPECT_FALSE(watch.isLost());
    // From the last frame before the loss to the first one after it.
    EXPECT_EQ(watch.outage(), 10s - 40ms);
    EXPECT_EQ(watch.check(t0 + 10200ms), Change::None);
    EXPECT_EQ(watch.check(t0 + 11440ms), Change::Lost);
    EXPECT_EQ(watch.lostSince(), t0 + 10040ms);
}

TEST(SignalWatch, FramesFromAnotherThreadEndEveryLoss)
{
    SignalWatch watch;
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread camera([&] {
        while (!stop) {
            watch.frameArrived(SignalWatch::Clock::now());
            ++frames;
            std::this_thread::yield();
        }
    });
    while (frames == 0)
        std::this_thread::yield();
    // Checks that pretend time ran on: each loss is followed by Back.
    int losses = 0;
    int backs = 0;
    for (int i = 0; i < 2000; ++i) {
        const Change change = watch.check(SignalWatch::Clock::now() + 2s);
        losses += change == Change::Lost;
        backs += change == Change::Back;
        if (watch.isLost()) {
            while (watch.check(SignalWatch::Clock::now()) != Change::Back)
                std::this_thread::yield();
            ++backs;
        }
    }
    stop = true;
    camera.join();
    EXPECT_GT(losses, 0);
    EXPECT_EQ(losses, backs);
}

} // namespace
