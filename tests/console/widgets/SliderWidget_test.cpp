#include "SliderWidget.h"

#include <QApplication>
#include <QImage>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::ownMethods;
using widgettest::paintOnBlack;

const QColor kTrack(65, 64, 62);
const QColor kFill(74, 253, 255);

void drag(SliderWidget& slider, int y)
{
    QMouseEvent event(QEvent::MouseMove, QPoint(10, y), slider.mapToGlobal(QPoint(10, y)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&slider, &event);
}

void press(SliderWidget& slider, int y)
{
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(10, y));
}
} // namespace

TEST(SliderWidget, StartsAtTheFloorShowingZero)
{
    SliderWidget slider;
    EXPECT_EQ(slider.level(), 30);
    EXPECT_EQ(slider.value(), 0.0);
    EXPECT_EQ(slider.percentText(), QString("0%"));
}

TEST(SliderWidget, PressMapsHeightToValueWithAThirtyPixelFloor)
{
    SliderWidget slider;
    slider.resize(35, 230);
    QSignalSpy spy(&slider, &SliderWidget::sigPositonChangeBk);

    press(slider, 0);
    EXPECT_EQ(slider.level(), 230);
    EXPECT_DOUBLE_EQ(slider.value(), 100.0);

    press(slider, 130);
    EXPECT_EQ(slider.level(), 100);
    EXPECT_DOUBLE_EQ(slider.value(), 35.0);

    // The floor: exactly h - 30 and anything lower reads as level 30 and 0 %.
    for (int y : {200, 201, 215, 230}) {
        SCOPED_TRACE(y);
        press(slider, y);
        EXPECT_EQ(slider.level(), 30);
        EXPECT_DOUBLE_EQ(slider.value(), 0.0);
    }
    press(slider, 199);
    EXPECT_EQ(slider.level(), 31);
    EXPECT_DOUBLE_EQ(slider.value(), 0.5);

    ASSERT_EQ(spy.count(), 7);
    EXPECT_DOUBLE_EQ(spy.at(0).at(0).toDouble(), 100.0);
    EXPECT_DOUBLE_EQ(spy.at(1).at(0).toDouble(), 35.0);
    EXPECT_DOUBLE_EQ(spy.at(6).at(0).toDouble(), 0.5);
}

TEST(SliderWidget, DragsOutsideTheWidgetChangeNothing)
{
    SliderWidget slider;
    slider.resize(35, 230);
    press(slider, 130);
    QSignalSpy spy(&slider, &SliderWidget::sigPositonChangeBk);
    QSignalSpy unused(&slider, &SliderWidget::sigPositonChange);

    drag(slider, -1);
    drag(slider, 231);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(slider.level(), 100);
    EXPECT_DOUBLE_EQ(slider.value(), 35.0);

    drag(slider, 30);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_DOUBLE_EQ(spy.at(0).at(0).toDouble(), 85.0);
    EXPECT_EQ(unused.count(), 0);
}

TEST(SliderWidget, PercentageIsTruncated)
{
    SliderWidget slider;
    // A 1000-pixel range: one pixel below the top is 99.9 %.
    slider.resize(35, 1030);
    press(slider, 1);
    EXPECT_NEAR(slider.value(), 99.9, 1e-9);
    EXPECT_EQ(slider.percentText(), QString("99%"));
}

TEST(SliderWidget, TooShortToHaveARangeIgnoresInput)
{
    SliderWidget slider;
    slider.resize(35, 30);
    QSignalSpy spy(&slider, &SliderWidget::sigPositonChangeBk);
    press(slider, 5);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(slider.value(), 0.0);
}

TEST(SliderWidget, FillIsPaintedUpToTheLevel)
{
    SliderWidget slider;
    slider.resize(35, 230);
    QImage image = paintOnBlack(slider);
    EXPECT_EQ(image.pixelColor(30, 215), kFill);
    EXPECT_EQ(image.pixelColor(30, 180), kTrack);

    press(slider, 130);
    image = paintOnBlack(slider);
    EXPECT_EQ(image.pixelColor(30, 140), kFill);
    EXPECT_EQ(image.pixelColor(30, 120), kTrack);
    // The outline runs along the left edge.
    EXPECT_GT(image.pixelColor(0, 60).blue(), 100);
}

TEST(SliderWidget, PercentageIsWrittenJustBelowTheTopOfTheFill)
{
    SliderWidget slider;
    slider.resize(35, 230);
    press(slider, 130);
    const QImage image = paintOnBlack(slider);
    // The caption's glyphs sit in the first rows of the fill, left side.
    int ink = 0;
    for (int y = 130; y < 148; ++y)
        for (int x = 4; x < 30; ++x)
            ink += image.pixelColor(x, y) != kFill ? 1 : 0;
    EXPECT_GT(ink, 10);
    for (int y = 160; y < 200; ++y)
        for (int x = 4; x < 30; ++x)
            EXPECT_EQ(image.pixelColor(x, y), kFill) << x << "," << y;
}

TEST(SliderWidget, SignalsAreRegisteredInOrder)
{
    const QStringList expected{"sigPositonChange(double)", "sigPositonChangeBk(double)"};
    EXPECT_EQ(ownMethods(SliderWidget::staticMetaObject), expected);
}
