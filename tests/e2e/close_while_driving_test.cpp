// Closing the console by every means while the crawler runs forward with a
// turn held, on a real X display with a window manager and crawler-sim on
// 127.0.0.1: the crawler's last command is the reset, whatever the pads do
// as the window goes.
#include "ConsoleOnSim.h"
#include "closeonsignals.h"
#include "xinput.h"
#include "xserver.h"

#include <QPushButton>

#include <csignal>

namespace {

using consoletest::Commands;
using consoletest::waitUntil;

constexpr int kRight = 1;
constexpr int kForward = 3;
constexpr std::chrono::milliseconds kQuiet(1000);

enum class Means { TitleBar, CloseCall, AltF4, Sigterm, Sigint, Sighup, Destruction };
const char* const kMeansNames[] = {"TitleBar", "CloseCall", "AltF4",      "Sigterm",
                                   "Sigint",   "Sighup",    "Destruction"};

// Names the case in test listings and failure messages.
void PrintTo(Means means, std::ostream* out)
{
    *out << kMeansNames[static_cast<int>(means)];
}

class CloseWhileDriving : public consoletest::ConsoleOnSim,
                          public ::testing::WithParamInterface<Means> {
protected:
    // One window manager on the display for every case.
    static void SetUpTestSuite()
    {
        s_x = new XServer;
        s_windowManager = s_x->startWindowManager();
    }
    static void TearDownTestSuite()
    {
        delete s_x;
        s_x = nullptr;
    }

    // The press reaches the pad through the console's window, as a held
    // finger on the screen does, and is never released.
    void holdPad(const char* pad, int code)
    {
        QWidget* w = widget(pad);
        QTest::mousePress(console->windowHandle(), Qt::LeftButton, {},
                          w->mapTo(console.get(), consoletest::padPoint(w, code)));
    }

    // The window manager's Alt+F4 on the console's window.
    void altF4()
    {
        ASSERT_EQ(
            xinput::xdotool(s_x->display(), {"windowactivate", "--sync",
                                             QString::number(console->winId()), "key", "alt+F4"}),
            0);
    }

    void closeBy(Means means)
    {
        switch (means) {
        case Means::TitleBar:
            QTest::mouseClick(widget<QPushButton>("closeButton"), Qt::LeftButton);
            break;
        case Means::CloseCall:
            console->close();
            break;
        case Means::AltF4:
            altF4();
            break;
        case Means::Sigterm:
            ASSERT_EQ(std::raise(SIGTERM), 0);
            break;
        case Means::Sigint:
            ASSERT_EQ(std::raise(SIGINT), 0);
            break;
        case Means::Sighup:
            ASSERT_EQ(std::raise(SIGHUP), 0);
            break;
        case Means::Destruction:
            return;
        }
        ASSERT_TRUE(waitUntil([&] { return !console->isVisible(); }));
    }

    static inline XServer* s_x = nullptr;
    static inline bool s_windowManager = false;
};

TEST_P(CloseWhileDriving, TheResetIsTheLastCommand)
{
    ASSERT_TRUE(s_windowManager) << "no window manager on the display";
    // The program's own signal hand-off.
    const CloseOnSignals closeOnSignals;
    startConsole();
    ASSERT_NE(QGuiApplication::platformName(), "offscreen") << "needs an X display";
    sliderToHalf("speedSlider");
    clickPad("drivePad", kForward);
    holdPad("drivePad", kRight);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193", "SetCarPwm 1193 1807"}));

    closeBy(GetParam());
    console.reset();
    EXPECT_EQ(takeAfter(kQuiet), Commands{"ResetControl"});
}

INSTANTIATE_TEST_SUITE_P(EveryMeans, CloseWhileDriving,
                         ::testing::Values(Means::TitleBar, Means::CloseCall, Means::AltF4,
                                           Means::Sigterm, Means::Sigint, Means::Sighup,
                                           Means::Destruction),
                         [](const ::testing::TestParamInfo<Means>& means) {
                             return std::string(kMeansNames[static_cast<int>(means.param)]);
                         });

} // namespace
