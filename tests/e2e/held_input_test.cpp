// An operator's hands on a real X display (input through XTEST, as the X
// server delivers it, auto-repeat and grabs included) with the console in
// this process and crawler-sim on 127.0.0.1: a dialog opened while a pad is
// held ends the held command before it shows, and a held function key acts
// once.
#include "ConsoleOnSim.h"
#include "GaugeCloud.h"
#include "inisettings.h"
#include "xinput.h"

#include <QDialog>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using consoletest::Commands;
using consoletest::waitUntil;

constexpr int kRight = GaugeCloud::Right;
constexpr int kLeft = GaugeCloud::Left;
constexpr int kTop = GaugeCloud::Top;
constexpr int kBottom = GaugeCloud::Bottom;
constexpr int kCentre = GaugeCloud::Centre;
constexpr std::chrono::milliseconds kReleaseWait(2000);
constexpr std::chrono::milliseconds kQuiet(300);

struct HeldSector {
    const char* pad;
    int code;
    const char* press; // what the press sends; none for the drive's centre
    const char* release;
};

// Every sector whose press starts a command that only its release ends.
const HeldSector kHeldSectors[] = {
    {"drivePad", kRight, "SetCarPwm 1193 1807", "SetCarPwm 1500 1500"},
    {"drivePad", kLeft, "SetCarPwm 1807 1193", "SetCarPwm 1500 1500"},
    {"drivePad", kCentre, nullptr, "SetCarPwm 1500 1500"},
    {"liftPad", kTop, "SetArmPwm 2000", "SetArmPwm 1500"},
    {"liftPad", kBottom, "SetArmPwm 1000", "SetArmPwm 1500"},
    {"cameraHeadPad", kRight, "SetPhoPwm1 2000", "SetPhoPwm0 1500"},
    {"cameraHeadPad", kLeft, "SetPhoPwm1 500", "SetPhoPwm0 1500"},
    {"cameraHeadPad", kTop, "SetPhoPwm0 500", "SetPhoPwm1 1500"},
    {"cameraHeadPad", kBottom, "SetPhoPwm0 2000", "SetPhoPwm1 1500"},
    {"lensPad", kRight, "SetPhoForN 200", "SetPhoForN 0"},
    {"lensPad", kLeft, "SetPhoForN 100", "SetPhoForN 0"},
    {"lensPad", kTop, "SetPhoBorS 200", "SetPhoBorS 0"},
    {"lensPad", kBottom, "SetPhoBorS 100", "SetPhoBorS 0"},
};
// The keys that open a modal dialog: engineering data, save folder, overlay
// fields, distance.
const char* const kDialogKeys[] = {"F3", "F4", "F5", "F6"};

// What happens at the first paint of each dialog window.
class FirstDialogPaint : public QObject {
public:
    explicit FirstDialogPaint(std::function<void(QDialog&)> act) : m_act(std::move(act))
    {
        qApp->installEventFilter(this);
    }
    int dialogsShown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog == nullptr || !dialog->isWindow())
            return false;
        if (event->type() == QEvent::Show) {
            ++dialogsShown;
            m_painted = false;
        } else if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            m_act(*dialog);
        }
        return false;
    }

private:
    std::function<void(QDialog&)> m_act;
    bool m_painted = false;
};

class HeldInput : public consoletest::ConsoleOnSim {
protected:
    consoletest::DebugCapture debug;

    void SetUp() override
    {
        ConsoleOnSim::SetUp();
        SetQStringFromIni("/lognone/ip", "sim:main?w=640&h=360&fps=25");
        SetQStringFromIni("/logntwo/ip", "sim:back?w=320&h=240&fps=25");
        SetQStringFromIni("/savedir/path", m_save.path() + "/");
        SetQStringFromIni("/came/fps", "25");
        startConsole();
    }

    QString display() const { return QString::fromLocal8Bit(qgetenv("DISPLAY")); }
    QPoint screenPoint(const char* pad, int code)
    {
        QWidget* w = widget(pad);
        return w->mapToGlobal(consoletest::padPoint(w, code));
    }
    int xdotool(const QStringList& arguments)
    {
        return xinput::xdotoolPumping(display(), arguments);
    }
    // Pointer over the pads' column, so the console's window takes the keys.
    QStringList keysOverConsole(const QStringList& keys)
    {
        const QPoint at = screenPoint("drivePad", kCentre);
        return QStringList{"mousemove", QString::number(at.x()), QString::number(at.y())} + keys;
    }
    int files(const char* suffix) const
    {
        return QDir(m_save.path()).entryList({QString("*") + suffix}, QDir::Files).size();
    }

private:
    QTemporaryDir m_save;
};

TEST_F(HeldInput, EveryHeldPadEndsItsCommandBeforeADialogShows)
{
    sliderToHalf("speedSlider");
    ASSERT_EQ(take(), Commands{"SetKeySafe 255"});
    int dialogKey = 0;
    for (const HeldSector& held : kHeldSectors) {
        const char* key = kDialogKeys[dialogKey++ % std::size(kDialogKeys)];
        SCOPED_TRACE(std::string(held.pad) + " sector " + std::to_string(held.code) + " " + key);
        QWidget* pad = widget(held.pad);
        const QImage idle = pad->grab().toImage();
        if (held.press == nullptr) {
            clickPad("drivePad", kTop); // forward latched: the centre stops it on release
            ASSERT_EQ(take(), Commands{"SetCarPwm 1193 1193"});
        }

        const QPoint at = screenPoint(held.pad, held.code);
        ASSERT_EQ(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()),
                           "mousedown", "1"}),
                  0);
        if (held.press != nullptr)
            ASSERT_EQ(takeThrough(held.press), Commands{held.press});
        else
            ASSERT_TRUE(waitUntil([&] { return pad->grab().toImage() != idle; }));

        bool releasedBeforePaint = false;
        bool padIdleAtPaint = false;
        FirstDialogPaint atPaint([&](QDialog& dialog) {
            releasedBeforePaint =
                sim.waitForLine(std::string("cmd ") + held.release, kReleaseWait, 0) >= 0;
            padIdleAtPaint = pad->grab().toImage() == idle;
            // The operator lets go of the mouse, then closes the dialog.
            QTimer::singleShot(0, &dialog, [this, &dialog] {
                xdotool({"mouseup", "1"});
                dialog.reject();
            });
        });
        ASSERT_EQ(xdotool({"key", key}), 0);
        ASSERT_TRUE(waitUntil(
            [&] { return atPaint.dialogsShown == 1 && !QApplication::activeModalWidget(); }));
        EXPECT_TRUE(releasedBeforePaint) << "no " << held.release << " before the dialog showed";
        EXPECT_TRUE(padIdleAtPaint) << "the pad still showed its sector";
        EXPECT_EQ(takeAfter(kQuiet), Commands{held.release}) << "nothing moves after it";
    }
}

TEST_F(HeldInput, AHeldPadEndsItsCommandWhenAnotherWindowTakesTheInput)
{
    sliderToHalf("speedSlider");
    ASSERT_EQ(take(), Commands{"SetKeySafe 255"});
    QWidget other;
    other.setGeometry(0, 0, 120, 80);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const QPoint at = screenPoint("drivePad", kRight);
    ASSERT_EQ(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "windowfocus",
                       QString::number(widget("drivePad")->window()->winId()), "mousedown", "1"}),
              0);
    ASSERT_EQ(takeThrough("SetCarPwm 1193 1807"), Commands{"SetCarPwm 1193 1807"});
    // Another window takes the keyboard while the button is still down.
    ASSERT_EQ(xdotool({"windowfocus", QString::number(other.winId())}), 0);
    EXPECT_GE(sim.waitForLine("cmd SetCarPwm 1500 1500", kReleaseWait, 0), 0);
    xdotool({"mouseup", "1"});
    EXPECT_EQ(takeAfter(kQuiet), Commands{"SetCarPwm 1500 1500"});
}

TEST_F(HeldInput, AHeldFunctionKeyActsOncePerPress)
{
    // F1 and F2 refuse before the first frame.
    ASSERT_TRUE(
        waitUntil([] { return consoletest::DebugCapture::contains("GetImage m_iMatWidth"); }));
    // Held 1.5 s: the X server repeats the key about 20 times.
    ASSERT_EQ(xdotool(keysOverConsole({"keydown", "F1", "sleep", "1.5", "keyup", "F1"})), 0);
    EXPECT_TRUE(waitUntil([&] { return files(".mp4") == 1; }));
    EXPECT_TRUE(key(1)->isPressedLook()) << "the recording stopped again";

    ASSERT_EQ(xdotool(keysOverConsole({"keydown", "F2", "sleep", "1.5", "keyup", "F2"})), 0);
    waitUntil([] { return false; }, 1000);
    EXPECT_EQ(files(".jpg"), 1);

    FirstDialogPaint dialogs(
        [](QDialog& dialog) { QTimer::singleShot(0, &dialog, &QDialog::reject); });
    // The first press opens the dialog, which takes the repeats and the release.
    ASSERT_EQ(xdotool(keysOverConsole({"keydown", "F3", "sleep", "1.5", "keyup", "F3"})), 0);
    waitUntil([] { return false; }, 1000);
    EXPECT_EQ(dialogs.dialogsShown, 1);
    EXPECT_EQ(files(".mp4"), 1);
}

} // namespace
