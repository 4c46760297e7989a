#include "GaugeSpeed.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

#include <cmath>

namespace {
using widgettest::paintOnBlack;

constexpr double kPi = 3.14159265358979323846;
// Far enough out to clear the hub, close enough that the needle is several pixels wide.
constexpr double kProbeRadius = 25;

// The pixel at a distance from the centre of a 200 x 200 widget, in the direction turned
// clockwise from straight down by the angle.
QColor probe(const QImage& image, double clockwiseFromDown, double radius = kProbeRadius)
{
    const double a = clockwiseFromDown * kPi / 180.0;
    return image.pixelColor(int(std::lround(100 - std::sin(a) * radius)),
                            int(std::lround(100 + std::cos(a) * radius)));
}

bool isWhite(const QColor& c)
{
    return c.red() > 235 && c.green() > 235 && c.blue() > 235;
}
} // namespace

TEST(GaugeSpeed, NeedleSweepsClockwiseFromLowerLeftOverTheTop)
{
    GaugeSpeed gauge;
    gauge.resize(200, 200);
    const std::pair<double, double> cases[] = {{0, 49}, {50, 169}, {100, 289}, {25, 109}};
    for (const auto& [value, degrees] : cases) {
        gauge.SetCurrentValue(value);
        const QImage image = paintOnBlack(gauge);
        EXPECT_TRUE(isWhite(probe(image, degrees))) << "value " << value;
        EXPECT_FALSE(isWhite(probe(image, degrees + 40))) << "value " << value;
        EXPECT_FALSE(isWhite(probe(image, degrees - 40))) << "value " << value;
    }
}

TEST(GaugeSpeed, ValuesOutsideTheRangeAreNotClamped)
{
    GaugeSpeed gauge;
    gauge.resize(200, 200);
    gauge.SetCurrentValue(150);
    EXPECT_DOUBLE_EQ(gauge.currentValue(), 150);
    // 49 + 360 degrees: one full turn past the start of the scale.
    QImage image = paintOnBlack(gauge);
    EXPECT_TRUE(isWhite(probe(image, 49)));
    EXPECT_FALSE(isWhite(probe(image, 289)));

    gauge.SetCurrentValue(-10);
    image = paintOnBlack(gauge);
    EXPECT_TRUE(isWhite(probe(image, 25)));
}

TEST(GaugeSpeed, DialIsCentredAndScaledByTheShorterSide)
{
    GaugeSpeed gauge;
    gauge.resize(200, 200);
    paintOnBlack(gauge); // a face kept from another size is not reused
    gauge.resize(400, 200);
    gauge.SetCurrentValue(50);
    const QImage image = paintOnBlack(gauge);
    // Outside the centred 200 x 200 square nothing is drawn.
    EXPECT_EQ(image.pixelColor(50, 100), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(350, 100), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(200, 20), QColor(Qt::black));
    // Needle tip region near the top: 60 units long, pointing 169 degrees from down.
    const double a = 169 * kPi / 180.0;
    EXPECT_TRUE(isWhite(image.pixelColor(int(std::lround(200 - std::sin(a) * 25)),
                                         int(std::lround(100 + std::cos(a) * 25)))));
}

TEST(GaugeSpeed, ZeroSizedDialDrawsNothing)
{
    GaugeSpeed gauge;
    gauge.resize(0, 200);
    gauge.SetCurrentValue(50);
    EXPECT_EQ(paintOnBlack(gauge, QSize(10, 10)).pixelColor(5, 5), QColor(Qt::black));
}

TEST(GaugeSpeed, SizeHints)
{
    GaugeSpeed gauge;
    EXPECT_EQ(gauge.sizeHint(), QSize(100, 100));
    EXPECT_EQ(gauge.minimumSizeHint(), QSize(10, 10));
    EXPECT_EQ(QPixmap(":/images/Others/speed.png").size(), QSize(300, 300));
}

TEST(GaugeSpeed, SetCurrentValueIsASlot)
{
    GaugeSpeed gauge;
    ASSERT_GE(gauge.metaObject()->indexOfSlot("SetCurrentValue(double)"), 0);
    EXPECT_TRUE(QMetaObject::invokeMethod(&gauge, "SetCurrentValue", Q_ARG(double, 42.5)));
    EXPECT_DOUBLE_EQ(gauge.currentValue(), 42.5);
}
