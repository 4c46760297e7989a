// SIGTERM, SIGINT and SIGHUP raised in this process close its windows through
// the event loop, and the process lives on.
#include "closeonsignals.h"

#include "GuiWait.h"

#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(CloseOnSignals, EachCloseSignalClosesTheWindowsThroughTheEventLoop)
{
    const CloseOnSignals closeOnSignals;
    ASSERT_TRUE(closeOnSignals.isInstalled());
    QSignalSpy received(&closeOnSignals, &CloseOnSignals::received);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        QWidget window;
        window.show();
        ASSERT_EQ(std::raise(number), 0);
        // Nothing happens inside the handler itself.
        EXPECT_TRUE(window.isVisible()) << number;
        EXPECT_TRUE(guiwait::waitUntil([&] { return !window.isVisible(); })) << number;
        ASSERT_FALSE(received.isEmpty());
        EXPECT_EQ(received.takeFirst().at(0).toInt(), number);
    }
}

TEST(CloseOnSignals, DefaultActionsReturnWithItsEnd)
{
    {
        const CloseOnSignals closeOnSignals;
    }
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction action {};
        ASSERT_EQ(::sigaction(number, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << number;
    }
}

} // namespace
