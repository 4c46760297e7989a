#include "PitchPanel.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::near;
using widgettest::paintOnBlack;

// Turned pictures are resampled: allow a few levels of difference per channel.
constexpr int kTolerance = 6;
} // namespace

TEST(PitchPanel, ShowsTheFrontPictureNotTheSidePicture)
{
    EXPECT_EQ(QPixmap(":/images/Others/pitch.png").size(), QSize(600, 600));
    PitchPanel pitch;
    RollingPanel rolling;
    pitch.resize(200, 200);
    rolling.resize(200, 200);
    const QImage front = paintOnBlack(pitch);
    EXPECT_NE(front.pixelColor(100, 100), QColor(Qt::black));
    EXPECT_NE(front, paintOnBlack(rolling));
}

TEST(PitchPanel, TurnsWithItsAngle)
{
    PitchPanel pitch;
    pitch.resize(200, 200);
    const QImage upright = paintOnBlack(pitch);
    pitch.SetAngle(180);
    const QImage turned = paintOnBlack(pitch);
    EXPECT_NE(upright, turned);
    // Half a turn about the centre maps pixel (x, y) onto (199 - x, 199 - y).
    for (const QPoint p : {QPoint(100, 40), QPoint(60, 70), QPoint(130, 120)})
        EXPECT_TRUE(
            near(turned.pixelColor(QPoint(199, 199) - p), upright.pixelColor(p), kTolerance))
            << p.x() << "," << p.y();
    pitch.SetAngle(360);
    EXPECT_TRUE(
        near(paintOnBlack(pitch).pixelColor(100, 40), upright.pixelColor(100, 40), kTolerance));
}
