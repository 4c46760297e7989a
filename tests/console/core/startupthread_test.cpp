#include "startupthread.h"

#include "eventually.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

using testwait::eventually;

// A body that blocks until released, counting its runs and concurrency.
struct GatedBody {
    std::atomic<int> runs{0};
    std::atomic<int> inside{0};
    std::atomic<int> maxInside{0};
    std::atomic<bool> release{false};

    void operator()()
    {
        const int now = ++inside;
        int seen = maxInside;
        while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
        }
        ++runs;
        while (!release)
            std::this_thread::sleep_for(1ms);
        --inside;
    }
};

TEST(StartupThread, StartWhileRunningRunsOnceMoreOnTheSameThread)
{
    GatedBody body;
    StartupThread thread([&] { body(); });
    EXPECT_TRUE(thread.start());
    ASSERT_TRUE(eventually([&] { return body.runs == 1; }));
    EXPECT_FALSE(thread.start());
    EXPECT_FALSE(thread.start());
    body.release = true;
    ASSERT_TRUE(eventually([&] { return !thread.isRunning(); }));
    EXPECT_EQ(body.runs, 2);
    EXPECT_EQ(body.maxInside, 1);
}

TEST(StartupThread, StartsAgainAfterItFinished)
{
    std::atomic<int> runs{0};
    StartupThread thread([&] { ++runs; });
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(eventually([&] { return !thread.isRunning(); }));
        EXPECT_TRUE(thread.start());
        ASSERT_TRUE(eventually([&] { return runs == i && !thread.isRunning(); }));
    }
}

TEST(StartupThread, ConcurrentStartsNeverOverlap)
{
    GatedBody body;
    body.release = true;
    StartupThread thread([&] { body(); });
    std::vector<std::thread> callers;
    for (int i = 0; i < 4; ++i)
        callers.emplace_back([&] {
            for (int j = 0; j < 200; ++j)
                thread.start();
        });
    for (auto& caller : callers)
        caller.join();
    ASSERT_TRUE(eventually([&] { return !thread.isRunning(); }));
    EXPECT_EQ(body.maxInside, 1);
    EXPECT_GE(body.runs, 1);
}

TEST(StartupThread, StopWakesASleepingBodyAndRefusesNewStarts)
{
    std::atomic<bool> woke{false};
    std::atomic<bool> sleeping{false};
    StartupThread thread([&] {
        sleeping = true;
        woke = !thread.sleepFor(std::chrono::hours(1));
    });
    thread.start();
    ASSERT_TRUE(eventually([&] { return sleeping.load(); }));
    thread.stop();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(thread.isRunning());
    EXPECT_TRUE(thread.stopRequested());
    EXPECT_FALSE(thread.start());
}

TEST(StartupThread, StartAtOnceCutsASleepShortAndTheNextPassServesIt)
{
    std::atomic<int> passes{0};
    std::atomic<bool> more{true};
    StartupThread thread([&] {
        while (more) {
            ++passes;
            if (!thread.sleepFor(std::chrono::hours(1)))
                return;
        }
    });
    thread.start();
    ASSERT_TRUE(eventually([&] { return passes == 1; }));
    // A plain request waits for the sleep: the retry rhythm holds.
    EXPECT_FALSE(thread.start());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(passes, 1);
    EXPECT_FALSE(thread.start(StartupThread::Serve::AtOnce));
    ASSERT_TRUE(eventually([&] { return passes == 2; }));
    more = false;
    EXPECT_FALSE(thread.start(StartupThread::Serve::AtOnce));
    ASSERT_TRUE(eventually([&] { return !thread.isRunning(); }));
    EXPECT_EQ(passes, 2); // served by the pass after the sleep, not a run of its own
}

TEST(StartupThread, SleepReturnsTrueWhenNotStopped)
{
    std::atomic<int> result{-1};
    StartupThread thread([&] { result = thread.sleepFor(1ms) ? 1 : 0; });
    thread.start();
    ASSERT_TRUE(eventually([&] { return result != -1; }));
    EXPECT_EQ(result, 1);
}

TEST(StartupThread, DestructionJoinsARunningThread)
{
    std::atomic<bool> finished{false};
    std::atomic<bool> sleeping{false};
    {
        StartupThread thread([&] {
            sleeping = true;
            thread.sleepFor(std::chrono::hours(1));
            finished = true;
        });
        thread.start();
        ASSERT_TRUE(eventually([&] { return sleeping.load(); }));
    }
    EXPECT_TRUE(finished);
}

} // namespace
