// The whole console in this process, connected to crawler-sim on 127.0.0.1,
// and driven like an operator: real mouse events on its pads, sliders and
// switches, found by their object names.
#pragma once

#include "ColorButton.h"
#include "GuiWait.h"

#include "SimProcess.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "mainwidgets.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace consoletest {

constexpr std::chrono::milliseconds kSimWait(20000);

using Commands = std::vector<std::string>;

using guiwait::waitUntil;

constexpr int kModalPollMs = 10;

// Runs act on the modal dialog the trigger opens, then closes it.
template <typename Dialog>
bool withModal(const std::function<void()>& trigger, const std::function<void(Dialog&)>& act)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(kModalPollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        seen = true;
        act(*dialog);
        dialog->close();
    });
    poll.start();
    trigger();
    return seen;
}

// The point at the middle of a pad sector (GaugeCloud codes 1 right, 2
// left, 3 top, 4 bottom, 5 centre): the sectors lie between 26 % and 46 %
// of the pad's shorter side from its centre.
inline QPoint padPoint(const QWidget* pad, int code)
{
    constexpr double kSectorMiddle = 0.36;
    const QPoint c = pad->rect().center();
    const int d = static_cast<int>(std::min(pad->width(), pad->height()) * kSectorMiddle);
    switch (code) {
    case 1:
        return c + QPoint(d, 0);
    case 2:
        return c - QPoint(d, 0);
    case 3:
        return c - QPoint(0, d);
    case 4:
        return c + QPoint(0, d);
    default:
        return c;
    }
}

// Collects the Qt debug stream of the test process while it lives.
class DebugCapture {
public:
    DebugCapture() { s_previous = qInstallMessageHandler(&DebugCapture::handle); }
    ~DebugCapture() { qInstallMessageHandler(s_previous); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    static bool contains(const QString& text)
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        return std::any_of(s_lines.begin(), s_lines.end(),
                           [&](const QString& line) { return line.contains(text); });
    }
    static QStringList lines()
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        return s_lines;
    }
    static void clear()
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        s_lines.clear();
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        s_lines << message;
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline std::mutex s_mutex;
    static inline QStringList s_lines;
};

class ConsoleOnSim : public ::testing::Test {
protected:
    static constexpr char kReset[] = "cmd ResetControl";
    static constexpr char kCommandPrefix[] = "cmd ";

    void SetUp() override { testenv::removeConfig(); }

    // The outputs of untouched controls, which the console re-sends after a
    // reset once the crawler reports that its remote does not hold control.
    static inline const Commands kUntouchedOutputs{"SetLampPwm 0", "SetBackLed 0", "SetPhoDisHum 0",
                                                   "SetAutoWir 0", "SetDisMeasure 0"};

    // What startConsole waits for after the reset that opens the link: the
    // re-sent outputs, or nothing more (the remote holds control from the
    // start or changes too soon for the outputs to come at a known moment).
    enum class Opening { WithOutputs, ResetOnly };

    // Starts crawler-sim (verbose, plus the options) and the console
    // configured for it; returns once the console opened the link.
    void startConsole(std::vector<std::string> options = {}, Opening opening = Opening::WithOutputs)
    {
        options.emplace_back("-v");
        ASSERT_TRUE(sim.start(options));
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", QString::number(sim.port()));
        console = std::make_unique<mainWidgets>();
        console->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(console.get()));
        ASSERT_EQ(takeThrough("ResetControl"), Commands{"ResetControl"})
            << "the console never opened the link";
        if (opening == Opening::WithOutputs) {
            ASSERT_EQ(takeThrough(kUntouchedOutputs.back()), kUntouchedOutputs);
        }
    }

    // The commands received since the last call up to and including the
    // given one, which the console sends from its GUI thread: that thread
    // keeps running meanwhile.
    Commands takeThrough(const std::string& command)
    {
        const std::string line = kCommandPrefix + command;
        const auto at = [&] { return sim.waitForLine(line, std::chrono::milliseconds(0), m_from); };
        if (!waitUntil([&] { return at() >= 0; }))
            return {"<no " + command + ">"};
        Commands commands = commandsUpTo(static_cast<size_t>(at()));
        commands.push_back(command);
        return commands;
    }

    template <typename T = QWidget> T* widget(const char* name) const
    {
        T* found = console->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Function key F1 to F7.
    ColorButton* key(int number) const
    {
        return widget<ColorButton>(QStringLiteral("F%1").arg(number).toLatin1().constData());
    }
    // F1 until it stays lit: the console refuses a recording before the first frame.
    bool startRecording()
    {
        return waitUntil([&] {
            if (!key(1)->isPressedLook())
                QTest::mouseClick(key(1), Qt::LeftButton);
            return key(1)->isPressedLook();
        });
    }

    void pressPad(const char* pad, int code)
    {
        QWidget* w = widget(pad);
        QTest::mousePress(w, Qt::LeftButton, {}, padPoint(w, code));
    }
    void releasePad(const char* pad, int code)
    {
        QWidget* w = widget(pad);
        QTest::mouseRelease(w, Qt::LeftButton, {}, padPoint(w, code));
    }
    void clickPad(const char* pad, int code)
    {
        pressPad(pad, code);
        releasePad(pad, code);
    }
    // A press on a slider moves its fill to the pressed height.
    void pressSlider(const char* slider, int y)
    {
        QTest::mousePress(widget(slider), Qt::LeftButton, {}, QPoint(1, y));
        QTest::mouseRelease(widget(slider), Qt::LeftButton, {}, QPoint(1, y));
    }
    // The slider's top reads 100 %; its bottom 30 pixels read 0 %.
    void sliderToFull(const char* slider) { pressSlider(slider, 0); }
    void sliderToZero(const char* slider) { pressSlider(slider, widget(slider)->height() - 1); }
    // Half way up the slider's range: makes the range even first so the
    // half is a whole pixel.
    void sliderToHalf(const char* slider)
    {
        constexpr int kFloor = 30;
        QWidget* w = widget(slider);
        if ((w->height() - kFloor) % 2 != 0) {
            const int even = w->height() - 1;
            w->setFixedHeight(even);
            ASSERT_TRUE(waitUntil([&] { return w->height() == even; }));
        }
        pressSlider(slider, (w->height() - kFloor) / 2);
    }

    // The commands the simulator received since the last call, in order,
    // as "Operation values". A click on the lens pad's centre (a zoom
    // reset) ends each batch; the simulator prints commands in the order
    // it received them.
    Commands take()
    {
        clickPad("lensPad", 5);
        const int at = sim.waitForLine("cmd SetPhoReset 150", kSimWait, m_from);
        if (at < 0)
            return {"<no marker>"};
        return commandsUpTo(static_cast<size_t>(at));
    }

    // Commands received until the console's reset on closing, which the
    // remote gate does not hold back.
    Commands takeUntilClosed()
    {
        console->close();
        Commands commands = takeThrough("ResetControl");
        commands.pop_back();
        return commands;
    }

    // Commands received since the last call, after a quiet while in which
    // the GUI thread keeps running.
    Commands takeAfter(std::chrono::milliseconds quiet)
    {
        waitUntil([] { return false; }, static_cast<int>(quiet.count()));
        const size_t end = sim.lines().size();
        Commands commands = commandsUpTo(end);
        m_from = end;
        return commands;
    }

    // A quick double tap, delivered through the console's window as the
    // display server does: the second press arrives as a double click.
    void doubleTapPad(const char* pad, int code)
    {
        QWidget* w = widget(pad);
        QTest::mouseDClick(console->windowHandle(), Qt::LeftButton, {},
                           w->mapTo(console.get(), padPoint(w, code)));
    }

    simtest::SimProcess sim;
    std::unique_ptr<mainWidgets> console;

private:
    Commands commandsUpTo(size_t at)
    {
        const std::vector<std::string> lines = sim.lines();
        Commands commands;
        for (size_t i = m_from; i < at; ++i) {
            if (lines[i].rfind(kCommandPrefix, 0) == 0)
                commands.push_back(lines[i].substr(sizeof kCommandPrefix - 1));
        }
        m_from = at + 1;
        return commands;
    }

    size_t m_from = 0;
};

} // namespace consoletest
