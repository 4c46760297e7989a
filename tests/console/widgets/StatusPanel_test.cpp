#include "StatusPanel.h"

#include "PanelSpeed.h"
#include "PitchPanel.h"
#include "RollingPanel.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>

#include <cfloat>
#include <cmath>

#include <gtest/gtest.h>

#include "WidgetTestSupport.h"

namespace {
struct Parts {
    explicit Parts(StatusPanel& panel)
        : rollDial(panel.findChild<PanelSpeed*>("rollDial")),
          pitchDial(panel.findChild<PanelSpeed*>("pitchDial")),
          pitch(panel.findChild<PitchPanel*>())
    {
        for (RollingPanel* p : panel.findChildren<RollingPanel*>())
            if (!qobject_cast<PitchPanel*>(p))
                rolling = p;
        for (QLabel* label : panel.findChildren<QLabel*>()) {
            if (label->text() == QStringLiteral("横滚"))
                rollCaption = label;
            else if (label->text() == QStringLiteral("俯仰"))
                pitchCaption = label;
            else if (!label->pixmap(Qt::ReturnByValue).isNull())
                logo = label;
        }
    }
    PanelSpeed* rollDial;
    PanelSpeed* pitchDial;
    PitchPanel* pitch;
    RollingPanel* rolling = nullptr;
    QLabel* rollCaption = nullptr;
    QLabel* pitchCaption = nullptr;
    QLabel* logo = nullptr;
};
} // namespace

TEST(StatusPanel, OwnsTwoDialsTwoPicturesCaptionsAndLogo)
{
    StatusPanel panel;
    const Parts parts(panel);
    ASSERT_TRUE(parts.rollDial && parts.pitchDial && parts.pitch && parts.rolling);
    ASSERT_TRUE(parts.rollCaption && parts.pitchCaption && parts.logo);
    EXPECT_EQ(parts.rollCaption->size(), QSize(60, 20));
    EXPECT_EQ(parts.logo->size(), QSize(70, 70));
    EXPECT_FALSE(parts.logo->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(QPixmap(":/icons/TitleBar/panellogo.png").size(), QSize(200, 197));
}

TEST(StatusPanel, EachSlotDrivesOnlyItsOwnSide)
{
    StatusPanel panel;
    const Parts parts(panel);
    ASSERT_TRUE(QMetaObject::invokeMethod(&panel, "SetRollingPanel", Q_ARG(double, 12.5)));
    EXPECT_DOUBLE_EQ(parts.rolling->angle(), 12.5);
    EXPECT_DOUBLE_EQ(parts.rollDial->currentValue(), 12.5);
    EXPECT_DOUBLE_EQ(parts.pitch->angle(), 0);
    EXPECT_DOUBLE_EQ(parts.pitchDial->currentValue(), 0);

    ASSERT_TRUE(QMetaObject::invokeMethod(&panel, "SetPitchPanel", Q_ARG(double, -7)));
    EXPECT_DOUBLE_EQ(parts.pitch->angle(), -7);
    EXPECT_DOUBLE_EQ(parts.pitchDial->currentValue(), -7);
    EXPECT_DOUBLE_EQ(parts.rolling->angle(), 12.5);
    EXPECT_DOUBLE_EQ(parts.rollDial->currentValue(), 12.5);
}

TEST(StatusPanel, ReadsLeftToRightRollDialPictureLogoPictureDial)
{
    StatusPanel panel;
    panel.resize(900, 260);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    const Parts parts(panel);
    const auto x = [](const QWidget* w) { return w->geometry().center().x(); };
    EXPECT_LT(x(parts.rollDial), x(parts.rolling));
    EXPECT_LT(x(parts.rolling), x(parts.logo));
    EXPECT_LT(x(parts.logo), x(parts.pitch));
    EXPECT_LT(x(parts.pitch), x(parts.pitchDial));
    // Captions sit under their pictures, centred on them.
    EXPECT_GT(parts.rollCaption->y(), parts.rolling->geometry().top());
    EXPECT_NEAR(x(parts.rollCaption), x(parts.rolling), 3);
    EXPECT_NEAR(x(parts.pitchCaption), x(parts.pitch), 3);
}

TEST(StatusPanel, FillsItsBackgroundInThePanelColour)
{
    StatusPanel panel;
    panel.resize(900, 260);
    QImage image(panel.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    panel.render(&image);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(189, 204, 212));
}

TEST(StatusPanel, InstrumentsKeepTheirLastFiniteAngleAndShowHugeOnes)
{
    StatusPanel panel;
    panel.resize(900, 260);
    const Parts parts(panel);
    const auto drawn = [](QWidget* widget) {
        const QImage image = widgettest::paintOnBlack(*widget);
        int lit = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                lit += image.pixelColor(x, y) != Qt::black ? 1 : 0;
        return lit;
    };
    panel.SetRollingPanel(12.5);
    const int rollingPicture = drawn(parts.rolling);
    const int rollNeedle = drawn(parts.rollDial);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        panel.SetRollingPanel(bad);
        panel.SetPitchPanel(bad);
        EXPECT_DOUBLE_EQ(parts.rolling->angle(), 12.5);
        EXPECT_DOUBLE_EQ(parts.rollDial->currentValue(), 12.5);
        EXPECT_DOUBLE_EQ(parts.pitch->angle(), 0);
        EXPECT_DOUBLE_EQ(parts.pitchDial->currentValue(), 0);
    }
    // The largest values a float sensor can send still turn the pictures.
    for (double huge : {double(FLT_MAX), -double(FLT_MAX)}) {
        panel.SetRollingPanel(huge);
        EXPECT_GT(drawn(parts.rolling), rollingPicture / 2) << huge;
        EXPECT_GT(drawn(parts.rollDial), rollNeedle / 2) << huge;
    }
}
