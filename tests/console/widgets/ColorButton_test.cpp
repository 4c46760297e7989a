#include "ColorButton.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::near;
using widgettest::paintOnBlack;

// Generous: the machine is shared and loaded.
constexpr int kWaitMs = 10000;
// Longer than the 200 ms press look, to show that something does not happen.
constexpr int kBeyondPressLookMs = 600;

const QPoint kInside(50, 50);
const QPoint kOutside(150, 50);

QPixmap solid(const QColor& colour)
{
    QPixmap pixmap(500, 500);
    pixmap.fill(colour);
    return pixmap;
}

void click(ColorButton& button, QPoint press, QPoint release)
{
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, release);
}

// Colour checks allow a few levels either way unless they say otherwise.
constexpr int kTolerance = 3;
} // namespace

TEST(ColorButton, EveryLeftPressInsideEmitsClicked)
{
    for (bool selfTimed : {false, true}) {
        ColorButton button(nullptr, selfTimed);
        button.resize(100, 100);
        QSignalSpy clicked(&button, &ColorButton::clicked);
        click(button, kInside, kInside);
        button.updataStatus(true);
        click(button, kInside, kInside);
        EXPECT_EQ(clicked.count(), 2) << "self-timed " << selfTimed;
    }
}

TEST(ColorButton, OtherButtonsAndPressesOutsideDoNothing)
{
    ColorButton button(nullptr, true);
    button.resize(100, 100);
    QSignalSpy clicked(&button, &ColorButton::clicked);
    QTest::mousePress(&button, Qt::RightButton, Qt::NoModifier, kInside);
    QTest::mouseRelease(&button, Qt::RightButton, Qt::NoModifier, kInside);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, kOutside);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_FALSE(button.isPressedLook());
}

TEST(ColorButton, HeldLookChangesOnlyThroughUpdataStatus)
{
    ColorButton button(nullptr, false);
    button.resize(100, 100);
    click(button, kInside, kInside);
    EXPECT_FALSE(button.isPressedLook());
    button.updataStatus(true);
    click(button, kInside, kInside);
    QTest::qWait(kBeyondPressLookMs);
    EXPECT_TRUE(button.isPressedLook());
    button.updataStatus(false);
    EXPECT_FALSE(button.isPressedLook());
}

TEST(ColorButton, SelfTimedLookLastsUntilShortlyAfterRelease)
{
    ColorButton button(nullptr, true);
    button.resize(100, 100);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, kInside);
    EXPECT_TRUE(button.isPressedLook());
    // Held down: the look stays however long the press lasts.
    QTest::qWait(kBeyondPressLookMs);
    EXPECT_TRUE(button.isPressedLook());
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, kInside);
    EXPECT_TRUE(button.isPressedLook());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isPressedLook(); }, kWaitMs));
}

TEST(ColorButton, SelfTimedLookStaysWhenReleasedOutside)
{
    ColorButton button(nullptr, true);
    button.resize(100, 100);
    click(button, kInside, kOutside);
    QTest::qWait(kBeyondPressLookMs);
    EXPECT_TRUE(button.isPressedLook());
    // The next release inside starts the countdown.
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, kInside);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isPressedLook(); }, kWaitMs));

    click(button, kInside, kOutside);
    button.updataStatus(false);
    EXPECT_FALSE(button.isPressedLook());
}

TEST(ColorButton, RepeatedClicksKeepTheLookOn)
{
    ColorButton button(nullptr, true);
    button.resize(100, 100);
    click(button, kInside, kInside);
    // The second press cancels the pending countdown: held long, the look never drops.
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, kInside);
    QTest::qWait(kBeyondPressLookMs);
    EXPECT_TRUE(button.isPressedLook());
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, kInside);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isPressedLook(); }, kWaitMs));
}

TEST(ColorButton, PlayPaintAndKeyboardRestartEndTheLook)
{
    ColorButton button(nullptr, true);
    button.resize(100, 100);
    button.updataStatus(true);
    button.playPaint();
    EXPECT_FALSE(button.isPressedLook());

    button.updataStatus(true);
    button.restartPressLookTimer();
    EXPECT_TRUE(button.isPressedLook());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isPressedLook(); }, kWaitMs));
}

TEST(ColorButton, FallbackFaceIsGreenWithRedBorderAndWhiteCaption)
{
    ColorButton button(nullptr, false);
    button.resize(120, 60);
    QImage image = paintOnBlack(button);
    EXPECT_TRUE(near(image.pixelColor(12, 30), QColor(0, 255, 0), kTolerance));
    EXPECT_TRUE(near(image.pixelColor(2, 30), QColor(255, 0, 0), 40));
    EXPECT_TRUE(near(image.pixelColor(60, 2), QColor(255, 0, 0), 40));
    int white = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 40; x < 80; ++x)
            white += near(image.pixelColor(x, y), Qt::white, 30);
    EXPECT_GT(white, 5) << "caption missing";

    button.updataStatus(true);
    image = paintOnBlack(button);
    // rgb(127,255,0) at alpha 200 over black.
    EXPECT_TRUE(near(image.pixelColor(12, 30), QColor(100, 200, 0), 4));
}

TEST(ColorButton, PicturesAreCentredSquareAndPressedDrawsOnTop)
{
    ColorButton button(nullptr, false);
    button.resize(200, 100);
    button.setPixmaps(solid(Qt::red), solid(Qt::blue));
    QImage image = paintOnBlack(button);
    EXPECT_EQ(image.pixelColor(100, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(52, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(147, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(20, 50), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(180, 50), QColor(Qt::black));

    button.updataStatus(true);
    image = paintOnBlack(button);
    EXPECT_EQ(image.pixelColor(100, 50), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(20, 50), QColor(Qt::black));

    // Resizing rescales the pictures.
    button.resize(100, 200);
    image = paintOnBlack(button);
    EXPECT_EQ(image.pixelColor(50, 52), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(50, 20), QColor(Qt::black));
}

TEST(ColorButtonArtwork, FunctionKeysAreCompiledIn)
{
    for (int key = 1; key <= 7; ++key) {
        EXPECT_EQ(QPixmap(QStringLiteral(":/images/Button_normal/F%1.png").arg(key)).size(),
                  QSize(500, 500))
            << key;
        EXPECT_EQ(QPixmap(QStringLiteral(":/images/Button_keydown/F%1_1.png").arg(key)).size(),
                  QSize(500, 500))
            << key;
    }
}

TEST(ColorButton, MetaObjectHasClickedAndPlayPaint)
{
    const QMetaObject& meta = ColorButton::staticMetaObject;
    const int first = meta.methodOffset();
    ASSERT_EQ(meta.methodCount() - first, 2);
    EXPECT_EQ(meta.method(first).methodSignature(), "clicked()");
    EXPECT_EQ(meta.method(first).methodType(), QMetaMethod::Signal);
    EXPECT_EQ(meta.method(first + 1).methodSignature(), "playPaint()");
    EXPECT_EQ(meta.method(first + 1).methodType(), QMetaMethod::Slot);
}
