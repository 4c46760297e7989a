#include "LightButton.h"

#include <QApplication>
#include <QImage>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::ownMethods;
using widgettest::paintOnBlack;

constexpr int kWaitMs = 10000;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// A shown lamp with every pending paint flushed.
struct ShownLamp {
    ShownLamp()
    {
        lamp.resize(100, 100);
        lamp.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&lamp));
        settle();
    }
    void settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    // Paints caused by f.
    template <typename F> int paintsFrom(F f)
    {
        settle();
        const int before = counter.count;
        f();
        settle();
        return counter.count - before;
    }
    LightButton lamp;
    PaintCounter counter{&lamp};
};

bool isYellow(const QColor& c)
{
    return c.red() > 128 && c.green() > 128 && c.blue() < 100;
}

QVariant differentValue(const QVariant& value)
{
    if (value.userType() == QMetaType::Bool)
        return !value.toBool();
    if (value.userType() == QMetaType::QString)
        return value.toString() + "x";
    const QColor color = value.value<QColor>();
    return QColor(255 - color.red(), color.green(), 255 - color.blue());
}
} // namespace

TEST(LightButton, PropertiesStartWithTheirDefaults)
{
    LightButton lamp;
    EXPECT_EQ(lamp.property("text").toString(), QString());
    EXPECT_EQ(lamp.property("textColor").value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(lamp.property("alarmColor").value<QColor>(), QColor(255, 107, 107));
    EXPECT_EQ(lamp.property("normalColor").value<QColor>(), QColor(10, 10, 10));
    EXPECT_EQ(lamp.property("borderOutColorStart").value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(lamp.property("borderOutColorEnd").value<QColor>(), QColor(166, 166, 166));
    EXPECT_EQ(lamp.property("borderInColorStart").value<QColor>(), QColor(166, 166, 166));
    EXPECT_EQ(lamp.property("borderInColorEnd").value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(lamp.property("bgColor").value<QColor>(), QColor(100, 184, 255));
    EXPECT_FALSE(lamp.property("canMove").toBool());
    EXPECT_FALSE(lamp.property("showRect").toBool());
    EXPECT_TRUE(lamp.property("showOverlay").toBool());
    EXPECT_EQ(lamp.property("overlayColor").value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(lamp.sizeHint(), QSize(100, 100));
    EXPECT_EQ(lamp.minimumSizeHint(), QSize(10, 10));
}

TEST(LightButton, EverySetterRepaintsOnlyOnChange)
{
    ShownLamp shown;
    const QMetaObject* meta = shown.lamp.metaObject();
    int checked = 0;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        SCOPED_TRACE(property.name());
        const QVariant current = property.read(&shown.lamp);
        EXPECT_EQ(shown.paintsFrom([&] { property.write(&shown.lamp, current); }), 0);
        const QVariant other = differentValue(current);
        EXPECT_GE(shown.paintsFrom([&] { property.write(&shown.lamp, other); }), 1);
        EXPECT_EQ(property.read(&shown.lamp), other);
        ++checked;
    }
    EXPECT_EQ(checked, 13);
}

TEST(LightButton, SetBgColorWithTheSameColourDoesNotRepaint)
{
    ShownLamp shown;
    EXPECT_EQ(shown.paintsFrom([&] { shown.lamp.setBgColor(QColor(100, 184, 255)); }), 0);
    EXPECT_GE(shown.paintsFrom([&] { shown.lamp.setBgColor(QColor(255, 0, 0)); }), 1);
}

TEST(LightButton, PresetsSetTextAndLampColours)
{
    struct Preset {
        void (LightButton::*slot)();
        QColor text;
        QColor background;
    };
    const Preset presets[] = {
        {&LightButton::setGreen, QColor(255, 255, 255), QColor(0, 166, 0)},
        {&LightButton::setRed, QColor(255, 255, 255), QColor(255, 0, 0)},
        {&LightButton::setYellow, QColor(25, 50, 7), QColor(238, 238, 0)},
        {&LightButton::setBlack, QColor(255, 255, 255), QColor(10, 10, 10)},
        {&LightButton::setGray, QColor(255, 255, 255), QColor(129, 129, 129)},
        {&LightButton::setBlue, QColor(255, 255, 255), QColor(0, 0, 166)},
        {&LightButton::setLightBlue, QColor(255, 255, 255), QColor(100, 184, 255)},
        {&LightButton::setLightRed, QColor(255, 255, 255), QColor(255, 107, 107)},
        {&LightButton::setLightGreen, QColor(255, 255, 255), QColor(24, 189, 155)},
    };
    LightButton lamp;
    lamp.setTextColor(QColor(1, 2, 3));
    for (const Preset& preset : presets) {
        (lamp.*preset.slot)();
        EXPECT_EQ(lamp.textColor(), preset.text);
        EXPECT_EQ(lamp.bgColor(), preset.background);
    }
}

TEST(LightButton, PresetWithUnchangedLampColourDoesNotRepaint)
{
    ShownLamp shown;
    shown.lamp.setYellow();
    shown.lamp.setTextColor(Qt::white);
    // The caption colour changes back silently: the lamp colour is the same.
    EXPECT_EQ(shown.paintsFrom([&] { shown.lamp.setYellow(); }), 0);
    EXPECT_EQ(shown.lamp.textColor(), QColor(25, 50, 7));
    EXPECT_GE(shown.paintsFrom([&] { shown.lamp.setGreen(); }), 1);
}

TEST(LightButton, AlarmAlternatesStartingWithTheAlarmColour)
{
    LightButton lamp;
    lamp.setYellow();
    lamp.alarm();
    EXPECT_EQ(lamp.bgColor(), QColor(255, 107, 107));
    EXPECT_EQ(lamp.textColor(), QColor(255, 255, 255));
    lamp.alarm();
    EXPECT_EQ(lamp.bgColor(), QColor(10, 10, 10));
    lamp.alarm();
    EXPECT_EQ(lamp.bgColor(), QColor(255, 107, 107));
}

TEST(LightButton, AlarmTimerBlinksUntilStopped)
{
    LightButton lamp;
    lamp.setGreen();
    lamp.startAlarm();
    EXPECT_TRUE(lamp.isAlarming());
    QTRY_COMPARE_WITH_TIMEOUT(lamp.bgColor(), QColor(255, 107, 107), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(lamp.bgColor(), QColor(10, 10, 10), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(lamp.bgColor(), QColor(255, 107, 107), kWaitMs);

    lamp.startAlarm();
    EXPECT_TRUE(lamp.isAlarming());
    lamp.stopAlarm();
    EXPECT_FALSE(lamp.isAlarming());
    const QColor frozen = lamp.bgColor();
    QTest::qWait(1200);
    EXPECT_EQ(lamp.bgColor(), frozen);
}

TEST(LightButton, LampFaceShowsTheBackgroundWithGlossOnTop)
{
    LightButton lamp;
    lamp.resize(200, 200);
    lamp.setBgColor(QColor(255, 0, 0));
    QImage image = paintOnBlack(lamp);
    EXPECT_EQ(image.pixelColor(100, 100), QColor(255, 0, 0));
    // Upper face lies under the gloss: lighter than the plain lamp colour.
    const QColor glossed = image.pixelColor(100, 40);
    EXPECT_EQ(glossed.red(), 255);
    EXPECT_GT(glossed.green(), 30);
    // Between the rings and the face: the grey inner ring.
    const QColor ring = image.pixelColor(100, 15);
    EXPECT_NEAR(ring.red(), ring.green(), 2);
    EXPECT_GT(ring.red(), 150);
    // Outside the lamp nothing is drawn.
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));

    lamp.setShowOverlay(false);
    image = paintOnBlack(lamp);
    EXPECT_EQ(image.pixelColor(100, 40), QColor(255, 0, 0));
}

TEST(LightButton, LampIsCentredInAWideWidget)
{
    LightButton lamp;
    lamp.resize(300, 100);
    lamp.setBgColor(QColor(0, 0, 255));
    const QImage image = paintOnBlack(lamp);
    EXPECT_EQ(image.pixelColor(150, 50), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(60, 50), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(240, 50), QColor(Qt::black));
}

TEST(LightButton, TextIsDrawnOnlyWhenNotEmptyInBothShapes)
{
    LightButton lamp;
    lamp.resize(100, 100);
    lamp.setBgColor(QColor(0, 0, 255));
    lamp.setShowOverlay(false);
    lamp.setTextColor(QColor(255, 255, 0));
    for (bool rectShape : {false, true}) {
        SCOPED_TRACE(rectShape);
        lamp.setShowRect(rectShape);
        lamp.setText(QString());
        QImage image = paintOnBlack(lamp);
        int yellow = 0;
        for (int y = 20; y < 80; ++y)
            for (int x = 20; x < 80; ++x)
                yellow += isYellow(image.pixelColor(x, y)) ? 1 : 0;
        EXPECT_EQ(yellow, 0);

        lamp.setText("8");
        image = paintOnBlack(lamp);
        for (int y = 20; y < 80; ++y)
            for (int x = 20; x < 80; ++x)
                yellow += isYellow(image.pixelColor(x, y)) ? 1 : 0;
        EXPECT_GT(yellow, 20);
    }
}

TEST(LightButton, RectangleShapeFillsTheWidget)
{
    LightButton lamp;
    lamp.resize(120, 40);
    lamp.setShowRect(true);
    lamp.setBgColor(QColor(0, 166, 0));
    const QImage image = paintOnBlack(lamp);
    EXPECT_EQ(image.pixelColor(10, 20), QColor(0, 166, 0));
    EXPECT_EQ(image.pixelColor(110, 20), QColor(0, 166, 0));
    // The rounded corner leaves the very corner pixel untouched.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
}

namespace {
void sendMouse(QWidget& widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}
} // namespace

TEST(LightButton, DragsOnlyWhenAllowed)
{
    QWidget parent;
    parent.resize(400, 400);
    auto* lamp = new LightButton(&parent);
    lamp->setGeometry(50, 50, 100, 100);

    sendMouse(*lamp, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    sendMouse(*lamp, QEvent::MouseMove, QPoint(30, 25), Qt::LeftButton);
    sendMouse(*lamp, QEvent::MouseButtonRelease, QPoint(30, 25), Qt::NoButton);
    EXPECT_EQ(lamp->pos(), QPoint(50, 50));

    lamp->setCanMove(true);
    sendMouse(*lamp, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton);
    sendMouse(*lamp, QEvent::MouseMove, QPoint(30, 25), Qt::LeftButton);
    EXPECT_EQ(lamp->pos(), QPoint(70, 65));
    // The widget moved under the pointer, so the same spot is the press point again.
    sendMouse(*lamp, QEvent::MouseMove, QPoint(10, 10), Qt::LeftButton);
    EXPECT_EQ(lamp->pos(), QPoint(70, 65));
    sendMouse(*lamp, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::NoButton);
    sendMouse(*lamp, QEvent::MouseMove, QPoint(40, 40), Qt::NoButton);
    EXPECT_EQ(lamp->pos(), QPoint(70, 65));
}

TEST(LightButton, SlotsAreRegisteredInOrder)
{
    const QStringList expected{"setText(QString)",
                               "setTextColor(QColor)",
                               "setAlarmColor(QColor)",
                               "setNormalColor(QColor)",
                               "setBorderOutColorStart(QColor)",
                               "setBorderOutColorEnd(QColor)",
                               "setBorderInColorStart(QColor)",
                               "setBorderInColorEnd(QColor)",
                               "setBgColor(QColor)",
                               "setCanMove(bool)",
                               "setShowRect(bool)",
                               "setShowOverlay(bool)",
                               "setOverlayColor(QColor)",
                               "setGreen()",
                               "setRed()",
                               "setYellow()",
                               "setBlack()",
                               "setGray()",
                               "setBlue()",
                               "setLightBlue()",
                               "setLightRed()",
                               "setLightGreen()",
                               "startAlarm()",
                               "stopAlarm()",
                               "alarm()"};
    EXPECT_EQ(ownMethods(LightButton::staticMetaObject), expected);
}
