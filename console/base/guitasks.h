// Work handed to the GUI thread by any other thread. The tasks pass through a
// queue under this object's own lock, and a queued signal without arguments
// wakes the GUI thread: the hand-off is ordered by a lock the thread
// sanitizer sees, where Qt's event queue (Qt is not built with it) is not.
// Every library or worker thread reaches the GUI thread this way, never with
// a queued functor.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class GuiTasks : public QObject {
    Q_OBJECT

public:
    // On the GUI thread; the tasks run on it.
    explicit GuiTasks(QObject* parent = nullptr);
    // A task still waiting is dropped.
    ~GuiTasks() override;
    GuiTasks(const GuiTasks&) = delete;
    GuiTasks& operator=(const GuiTasks&) = delete;

    // Any thread: runs task on the GUI thread after the tasks posted before it.
    void post(std::function<void()> task);

signals:
    void posted();

private:
    void runPosted();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
};
