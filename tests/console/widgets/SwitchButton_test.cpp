#include "SwitchButton.h"

#include <QApplication>
#include <QImage>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
using widgettest::ownMethods;
using widgettest::paintOnBlack;

constexpr int kWaitMs = 10000;

// Runs animation steps by hand until the knob stops; returns the positions seen.
std::vector<int> stepUntilStopped(SwitchButton& button)
{
    std::vector<int> positions;
    while (button.isAnimating() && positions.size() < 100) {
        button.onTimeout();
        positions.push_back(button.knobX());
    }
    return positions;
}
} // namespace

TEST(SwitchButton, PressTogglesAndAnimatesKnobToTheRightEnd)
{
    SwitchButton button(nullptr, false);
    button.resize(100, 30);
    QSignalSpy spy(&button, &SwitchButton::toggled);

    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_TRUE(button.isChecked());
    EXPECT_EQ(button.step(), 10);
    EXPECT_EQ(button.knobTargetX(), 70);

    const std::vector<int> expected{10, 20, 30, 40, 50, 60, 70, 70};
    EXPECT_EQ(stepUntilStopped(button), expected);
    EXPECT_FALSE(button.isAnimating());

    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    EXPECT_EQ(button.knobTargetX(), 0);
    const std::vector<int> back{60, 50, 40, 30, 20, 10, 0, 0};
    EXPECT_EQ(stepUntilStopped(button), back);
}

TEST(SwitchButton, KnobOvershootsByLessThanAStepThenSnapsToTarget)
{
    SwitchButton button(nullptr, false);
    button.resize(105, 30);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.step(), 10);
    EXPECT_EQ(button.knobTargetX(), 75);
    const std::vector<int> expected{10, 20, 30, 40, 50, 60, 70, 80, 75};
    EXPECT_EQ(stepUntilStopped(button), expected);
}

TEST(SwitchButton, AnyButtonTogglesAndStartsCheckedWhenAsked)
{
    SwitchButton button(nullptr, true);
    button.resize(120, 30);
    EXPECT_TRUE(button.isChecked());
    QSignalSpy spy(&button, &SwitchButton::toggled);
    QTest::mousePress(&button, Qt::RightButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).toBool());
    EXPECT_EQ(button.step(), 12);
}

TEST(SwitchButton, NarrowSwitchStillReachesItsTarget)
{
    SwitchButton button(nullptr, false);
    button.resize(8, 4);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(button.step(), 1);
    const std::vector<int> expected{1, 2, 3, 4, 4};
    EXPECT_EQ(stepUntilStopped(button), expected);
}

TEST(SwitchButton, EventLoopDrivesTheAnimationToItsEnd)
{
    SwitchButton button(nullptr, false);
    button.resize(120, 30);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!button.isAnimating(), kWaitMs);
    EXPECT_EQ(button.knobX(), 90);
}

TEST(SwitchButton, ReversingMidwayReturnsTheKnobHome)
{
    SwitchButton button(nullptr, false);
    button.resize(100, 30);
    QTest::mousePress(&button, Qt::LeftButton);
    button.onTimeout();
    button.onTimeout();
    ASSERT_EQ(button.knobX(), 20);
    QTest::mousePress(&button, Qt::LeftButton);
    const std::vector<int> expected{10, 0, 0};
    EXPECT_EQ(stepUntilStopped(button), expected);
}

TEST(SwitchButton, TrackIsTranslucentWhenEnabledAndOpaqueWhenDisabled)
{
    SwitchButton button(nullptr, false);
    button.resize(100, 30);
    // Inside the right-hand rounded end, away from the knob and the caption.
    const QPoint probe(95, 15);

    const QColor enabled = paintOnBlack(button).pixelColor(probe);
    EXPECT_NEAR(enabled.red(), 102 * 60 / 255, 2);
    EXPECT_NEAR(enabled.green(), 139 * 60 / 255, 2);

    button.setEnabled(false);
    const QColor disabled = paintOnBlack(button).pixelColor(probe);
    EXPECT_EQ(disabled, QColor(102, 139, 139));
}

TEST(SwitchButton, KnobIsPaintedWhereItStands)
{
    SwitchButton button(nullptr, false);
    button.resize(100, 30);
    EXPECT_EQ(paintOnBlack(button).pixelColor(15, 15), QColor(Qt::white));

    QTest::mousePress(&button, Qt::LeftButton);
    stepUntilStopped(button);
    const QImage on = paintOnBlack(button);
    EXPECT_EQ(on.pixelColor(85, 15), QColor(Qt::white));
    // The old knob place is now bare track, translucent on-colour (0,245,255).
    EXPECT_NEAR(on.pixelColor(3, 15).green(), 245 * 60 / 255, 2);
}

TEST(SwitchButton, MetaObjectMethodsAreRegisteredInOrder)
{
    const QStringList expected{"toggled(bool)", "onTimeout()"};
    EXPECT_EQ(ownMethods(SwitchButton::staticMetaObject), expected);
}
