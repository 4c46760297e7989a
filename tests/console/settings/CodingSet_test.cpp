#include "CodingSet.h"
#include "FakeProjectConsole.h"
#include "consoletestenv.h"
#include "inisettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DistanceDialog : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }

    CodingSet& open()
    {
        m_pDialog = std::make_unique<CodingSet>();
        m_pDialog->setConsole(&m_console);
        m_pDialog->show();
        return *m_pDialog;
    }

    QLineEdit* entry() { return namedChild<QLineEdit>(m_pDialog.get(), "lineEdit"); }
    QCheckBox* overlayBox() { return namedChild<QCheckBox>(m_pDialog.get(), "checkBox"); }
    void click(const char* button)
    {
        QTest::mouseClick(namedChild<QPushButton>(m_pDialog.get(), button), Qt::LeftButton);
    }
    void type(const QString& text)
    {
        entry()->clear();
        QTest::keyClicks(entry(), text);
    }
    double shown() const { return shownDistance(m_console.m_calibration); }

    FakeProjectConsole m_console;
    std::unique_ptr<CodingSet> m_pDialog;
};

TEST_F(DistanceDialog, FormHasItsTitleSizeAndUnitBesideTheEntry)
{
    CodingSet& dialog = open();
    EXPECT_EQ(dialog.windowTitle(), "CodingSet");
    EXPECT_EQ(dialog.size(), QSize(506, 326));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(namedChild<QLabel>(&dialog, "labelTitle")->text(), QStringLiteral("编码器设置"));
    EXPECT_EQ(namedChild<QLabel>(&dialog, "label")->text(), QStringLiteral("距离修改："));
    EXPECT_EQ(namedChild<QPushButton>(&dialog, "pushButtonClear")->text(),
              QStringLiteral("距离清零"));
    EXPECT_EQ(namedChild<QPushButton>(&dialog, "pushButtonSet")->text(), QStringLiteral("保存"));
    EXPECT_EQ(overlayBox()->text(), QStringLiteral("检测时叠加"));

    auto* unit = namedChild<QLabel>(&dialog, "labelUnit");
    EXPECT_EQ(unit->text(), "M");
    const QRect line = entry()->geometry();
    EXPECT_EQ(line, QRect(160, 129, 51, 31));
    EXPECT_EQ(unit->x(), line.x() + line.width());
    EXPECT_EQ(unit->y(), line.y());
    EXPECT_EQ(unit->height(), line.height());
}

TEST_F(DistanceDialog, StartDistanceIsShownWithTwoDecimalsAndSavedAsShown)
{
    m_console.m_calibration.m_dStartDistance = 3.456;
    open();
    EXPECT_EQ(entry()->text(), "3.46");
    click("pushButtonSet");
    EXPECT_DOUBLE_EQ(m_console.m_calibration.m_dStartDistance, 3.46);

    m_console.m_calibration.m_dStartDistance = 12.5;
    open();
    EXPECT_EQ(entry()->text(), "12.50");
}

TEST_F(DistanceDialog, BothCorrectionsAnchorAtTheReadingWhenTheDialogOpened)
{
    m_console.m_calibration.m_dCurrentReading = 20.0;
    open();
    type("5");
    click("pushButtonSet");
    EXPECT_DOUBLE_EQ(shown(), 5.0);
    EXPECT_TRUE(m_pDialog->isVisible());

    // The crawler drives on while the dialog is open.
    m_console.m_calibration.m_dCurrentReading = 21.5;
    EXPECT_DOUBLE_EQ(shown(), 6.5);
    EXPECT_EQ(distanceText(shown()), "6.50");

    click("pushButtonClear");
    EXPECT_DOUBLE_EQ(m_console.m_calibration.m_dZeroReference, 20.0);
    EXPECT_EQ(m_console.m_calibration.m_dStartDistance, 0.0);
    EXPECT_DOUBLE_EQ(shown(), 1.5);
    EXPECT_TRUE(m_pDialog->isVisible());
}

TEST_F(DistanceDialog, ZeroingThenClosingKeepsTheZeroingAndLeavesTheFile)
{
    SetQStringFromIni("/codingset/discheck", "1");
    const QByteArray before = testenv::readConfigBytes();
    m_console.m_calibration.m_dCurrentReading = 42.0;
    m_console.m_calibration.m_dStartDistance = 7.0;
    open();
    click("pushButtonClear");
    click("pushButtonClose");
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_DOUBLE_EQ(m_console.m_calibration.m_dZeroReference, 42.0);
    EXPECT_EQ(shown(), 0.0);
    EXPECT_EQ(testenv::readConfigBytes(), before);
    EXPECT_TRUE(m_console.m_calibration.m_strOverlaySwitch.isEmpty());
}

TEST_F(DistanceDialog, OverlaySwitchIsWrittenOnSaveAndShownAtTheNextOpening)
{
    SetQStringFromIni("/codingset/discheck", "1");
    open();
    EXPECT_TRUE(overlayBox()->isChecked());
    overlayBox()->setChecked(false);
    click("pushButtonSet");
    EXPECT_EQ(GetQStringFromIni("/codingset/discheck"), "0");
    EXPECT_EQ(m_console.m_calibration.m_strOverlaySwitch, "0");

    open();
    EXPECT_FALSE(overlayBox()->isChecked());
    overlayBox()->setChecked(true);
    click("pushButtonSet");
    EXPECT_EQ(GetQStringFromIni("/codingset/discheck"), "1");
    EXPECT_EQ(m_console.m_calibration.m_strOverlaySwitch, "1");
}

TEST_F(DistanceDialog, AbsentOrNonNumericSwitchOpensUnticked)
{
    open();
    EXPECT_FALSE(overlayBox()->isChecked());
    SetQStringFromIni("/codingset/discheck", "on");
    open();
    EXPECT_FALSE(overlayBox()->isChecked());
}

TEST_F(DistanceDialog, EntriesThatAreNoFiniteNumberSetZero)
{
    m_console.m_calibration.m_dCurrentReading = 8.0;
    m_console.m_calibration.m_dStartDistance = 4.0;
    open();
    for (const char* text : {"abc", "", "inf", "nan", "1e999"}) {
        m_console.m_calibration.m_dStartDistance = 4.0;
        type(text);
        click("pushButtonSet");
        EXPECT_EQ(m_console.m_calibration.m_dStartDistance, 0.0) << text;
        EXPECT_EQ(distanceText(shown()), "0.00") << text;
    }
}

TEST_F(DistanceDialog, StartDistancesBeyondAHundredKilometresAreRefusedWithAReason)
{
    SetQStringFromIni("/codingset/discheck", "1");
    m_console.m_calibration.m_dStartDistance = 4.0;
    open();
    auto* reason = namedChild<QLabel>(m_pDialog.get(), "labelError");
    overlayBox()->setChecked(false);
    for (const char* text : {"1e300", "100000.01", "-100000.01"}) {
        type(text);
        click("pushButtonSet");
        EXPECT_EQ(m_console.m_calibration.m_dStartDistance, 4.0) << text;
        EXPECT_EQ(reason->text(), QStringLiteral("距离应在 -100000 到 100000 M 之间，未保存"));
    }
    EXPECT_EQ(GetQStringFromIni("/codingset/discheck"), "1");
    for (const double accepted : {100000.0, -100000.0, 0.0, 12.5}) {
        type(QString::number(accepted, 'f', 2));
        click("pushButtonSet");
        EXPECT_EQ(m_console.m_calibration.m_dStartDistance, accepted);
        EXPECT_TRUE(reason->text().isEmpty());
    }
    EXPECT_EQ(GetQStringFromIni("/codingset/discheck"), "0");
}

TEST_F(DistanceDialog, NegativeEntryIsAcceptedButTheDistanceNeverGoesBelowZero)
{
    m_console.m_calibration.m_dCurrentReading = 10.0;
    open();
    type("-3");
    click("pushButtonSet");
    EXPECT_DOUBLE_EQ(m_console.m_calibration.m_dStartDistance, -3.0);
    EXPECT_EQ(shown(), 0.0);
    m_console.m_calibration.m_dCurrentReading = 14.5;
    EXPECT_DOUBLE_EQ(shown(), 1.5);
}

} // namespace
