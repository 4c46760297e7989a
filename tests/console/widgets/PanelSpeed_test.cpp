#include "PanelSpeed.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::paintOnBlack;

bool isRed(const QColor& c)
{
    return c.red() > 235 && c.green() < 20 && c.blue() < 20;
}

// Probes 25 pixels from the centre of a 200 x 200 dial.
const QPoint kUp(100, 75);
const QPoint kDown(100, 125);
const QPoint kLeft(75, 100);
const QPoint kRight(125, 100);
} // namespace

TEST(PanelSpeed, ZeroPointsUpPositiveTurnsLeftNegativeRight)
{
    PanelSpeed dial(nullptr, QString());
    dial.resize(200, 200);
    QImage image = paintOnBlack(dial);
    EXPECT_TRUE(isRed(image.pixelColor(kUp)));
    EXPECT_FALSE(isRed(image.pixelColor(kLeft)));

    dial.SetCurrentValue(90);
    image = paintOnBlack(dial);
    EXPECT_TRUE(isRed(image.pixelColor(kLeft)));
    EXPECT_FALSE(isRed(image.pixelColor(kUp)));

    dial.SetCurrentValue(-90);
    image = paintOnBlack(dial);
    EXPECT_TRUE(isRed(image.pixelColor(kRight)));
    EXPECT_FALSE(isRed(image.pixelColor(kLeft)));

    // Not clamped: 180 turns the needle straight down.
    dial.SetCurrentValue(180);
    EXPECT_TRUE(isRed(paintOnBlack(dial).pixelColor(kDown)));
}

TEST(PanelSpeed, WithoutBackgroundOnlyTheNeedleIsDrawn)
{
    PanelSpeed dial(nullptr, QStringLiteral(":/no/such/picture.png"));
    dial.resize(200, 200);
    const QImage image = paintOnBlack(dial);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += image.pixelColor(x, y) != QColor(Qt::black);
    // The kite needle covers about 5 x 58 units; a background would cover far more.
    EXPECT_GT(drawn, 100);
    EXPECT_LT(drawn, 800);
}

TEST(PanelSpeed, HalfDialsCarryTheScaleUnderTheNeedle)
{
    for (const char* path :
         {":/images/Others/rollingspeed.png", ":/images/Others/pitchspeed.png"}) {
        EXPECT_EQ(QPixmap(path).size(), QSize(586, 586)) << path;
        PanelSpeed dial(nullptr, path);
        dial.resize(200, 200);
        dial.SetCurrentValue(-30);
        const QImage image = paintOnBlack(dial);
        EXPECT_NE(image.pixelColor(10, 100), QColor(Qt::black)) << path;
        // The red hub sits at the centre; the needle points 30 degrees right of up.
        EXPECT_TRUE(isRed(image.pixelColor(100 + 12, 100 - 22))) << path;
    }
}

TEST(PanelSpeed, NothingDrawnAtZeroWidth)
{
    PanelSpeed dial(nullptr, ":/images/Others/rollingspeed.png");
    dial.resize(0, 100);
    EXPECT_EQ(paintOnBlack(dial, QSize(10, 10)).pixelColor(5, 5), QColor(Qt::black));
    EXPECT_EQ(dial.sizeHint(), QSize(100, 100));
    EXPECT_EQ(dial.minimumSizeHint(), QSize(10, 10));
}
