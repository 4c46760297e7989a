#include "framequeue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const RecordingClock::time_point kStart = RecordingClock::now();

cv::Mat numbered(int n)
{
    return cv::Mat(1, 1, CV_32SC1, cv::Scalar(n));
}

// Frame n arrived n milliseconds after the start.
RecordingClock::time_point arrivalOf(int n)
{
    return kStart + std::chrono::milliseconds(n);
}

int numberOf(const TimedFrame& frame)
{
    EXPECT_EQ(frame.arrival, arrivalOf(frame.frame.at<int>(0, 0)));
    return frame.frame.at<int>(0, 0);
}

TEST(FrameQueue, KeepsOrderAndDropsTheOldestBeyondTheBound)
{
    FrameQueue queue;
    for (int i = 0; i < 150; ++i) {
        queue.push(numbered(i), arrivalOf(i));
    }
    EXPECT_EQ(queue.size(), FrameQueue::kMaxFrames);
    EXPECT_EQ(queue.dropped(), 150u - FrameQueue::kMaxFrames);
    TimedFrame frame;
    for (int expected = 49; expected < 150; ++expected) {
        ASSERT_TRUE(queue.pop(frame));
        EXPECT_EQ(numberOf(frame), expected);
    }
    EXPECT_FALSE(queue.pop(frame));
}

TEST(FrameQueue, IsBoundedInBytesTooAndAlwaysKeepsTheNewest)
{
    // Four frames of 1 kB fit in 4 kB; a fifth drops the oldest.
    FrameQueue queue(FrameQueue::kMaxFrames, 4096);
    const auto kilobyte = [](int n) { return cv::Mat(1, 256, CV_32SC1, cv::Scalar(n)); };
    for (int i = 0; i < 5; ++i) {
        queue.push(kilobyte(i), arrivalOf(i));
    }
    EXPECT_EQ(queue.size(), 4u);
    EXPECT_EQ(queue.bytes(), 4096u);
    EXPECT_EQ(queue.dropped(), 1u);
    // A frame larger than the whole bound is kept, alone.
    queue.push(cv::Mat(1, 2048, CV_32SC1, cv::Scalar(5)), arrivalOf(5));
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.dropped(), 5u);
    TimedFrame frame;
    ASSERT_TRUE(queue.pop(frame));
    EXPECT_EQ(numberOf(frame), 5);
    EXPECT_EQ(queue.bytes(), 0u);
}

TEST(FrameQueue, ClearDiscardsWaitingFrames)
{
    FrameQueue queue(3);
    queue.push(numbered(1), arrivalOf(1));
    queue.push(numbered(2), arrivalOf(2));
    queue.clear();
    EXPECT_EQ(queue.size(), 0u);
    TimedFrame frame;
    EXPECT_FALSE(queue.pop(frame));
    queue.push(numbered(3), arrivalOf(3));
    ASSERT_TRUE(queue.pop(frame));
    EXPECT_EQ(numberOf(frame), 3);
}

TEST(FrameQueue, ConcurrentProducerAndConsumerLoseNothingBelowTheBound)
{
    constexpr int kFrames = 20000;
    FrameQueue queue(kFrames); // never full: every frame must arrive once, in order
    std::thread producer([&queue] {
        for (int i = 0; i < kFrames; ++i) {
            queue.push(numbered(i), arrivalOf(i));
        }
    });
    int next = 0;
    TimedFrame frame;
    while (next < kFrames) {
        if (queue.pop(frame)) {
            ASSERT_EQ(numberOf(frame), next);
            ++next;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_EQ(queue.dropped(), 0u);
}

} // namespace
