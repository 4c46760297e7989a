// Work handed to the GUI thread: tasks from another thread run on the GUI
// thread in the order posted; tasks still waiting when the queue goes never run.
#include "guitasks.h"

#include "coreapp.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

TEST(GuiTasks, TasksFromAnotherThreadRunOnTheGuiThreadInOrder)
{
    CoreApp app;
    GuiTasks tasks;
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            tasks.post([&, i] {
                ran.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    poster.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(ran.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(ran[static_cast<size_t>(i)], i);
        EXPECT_EQ(threads[static_cast<size_t>(i)], std::this_thread::get_id());
    }
}

TEST(GuiTasks, WaitingTasksAreDroppedWithTheQueueEvenWhenATaskEndsIt)
{
    CoreApp app;
    bool ran = false;
    auto tasks = std::make_unique<GuiTasks>();
    tasks->post([&] { ran = true; });
    tasks.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);

    tasks = std::make_unique<GuiTasks>();
    tasks->post([&] { tasks.reset(); });
    tasks->post([&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_EQ(tasks, nullptr);
    EXPECT_FALSE(ran);
}

} // namespace
