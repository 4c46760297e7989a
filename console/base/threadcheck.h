// Debug builds check at each entry point that it runs on the thread it was
// written for (docs/architecture.md has the map). Release builds compile the
// checks away.
#pragma once

#include <QCoreApplication>
#include <QThread>
#include <QtGlobal>

namespace threadcheck {

inline bool onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace threadcheck

// Widgets, slots, timers, dialogs: the GUI thread only.
#define MORAVEL_ASSERT_GUI_THREAD()                                                                \
    Q_ASSERT_X(threadcheck::onGuiThread(), Q_FUNC_INFO, "called off the GUI thread")
// Library callbacks and the console's own threads: never the GUI thread, which
// they must not block and which may be waiting for them.
#define MORAVEL_ASSERT_NOT_GUI_THREAD()                                                            \
    Q_ASSERT_X(!threadcheck::onGuiThread(), Q_FUNC_INFO, "called on the GUI thread")
