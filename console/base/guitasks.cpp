#include "guitasks.h"

#include <QPointer>

#include <utility>

GuiTasks::GuiTasks(QObject* parent) : QObject(parent)
{
    connect(this, &GuiTasks::posted, this, &GuiTasks::runPosted, Qt::QueuedConnection);
}

GuiTasks::~GuiTasks()
{
    // Taken under the lock: the posting threads wrote them.
    std::deque<std::function<void()>> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    dropped.swap(m_tasks);
}

void GuiTasks::post(std::function<void()> task)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // One wake-up for all the tasks posted before the GUI thread takes them.
        wake = m_tasks.empty();
        m_tasks.push_back(std::move(task));
    }
    if (wake)
        emit posted();
}

void GuiTasks::runPosted()
{
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tasks.swap(m_tasks);
    }
    // A task may end the owner and this object with it: the rest are dropped.
    const QPointer<GuiTasks> alive(this);
    for (auto& task : tasks) {
        if (!alive)
            return;
        task();
    }
}
