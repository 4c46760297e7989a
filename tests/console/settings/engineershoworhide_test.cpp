#include "FakeProjectConsole.h"
#include "consoletestenv.h"
#include "engineershoworhide.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The twelve boxes in the console's flag order.
const char* const kFieldBoxes[kOverlayFieldCount] = {
    "checkBoxCompany",   "checkBoxInspector", "checkBoxNo",          "checkBoxTaskName",
    "checkBoxLocation",  "checkBoxWellNo",    "checkBoxDescription", "checkBoxPipDiameter",
    "checkBoxDirection", "checkBoxPipType",   "checkBoxPipMeterial", "checkBoCustomize"};

class OverlayFieldDialog : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }

    engineershoworhide& open()
    {
        m_pDialog = std::make_unique<engineershoworhide>();
        m_pDialog->setConsole(&m_console);
        m_pDialog->show();
        return *m_pDialog;
    }

    QCheckBox* box(const char* name) { return namedChild<QCheckBox>(m_pDialog.get(), name); }
    QLineEdit* customLine() { return namedChild<QLineEdit>(m_pDialog.get(), "lineEditCustomize"); }
    void click(const char* button)
    {
        QTest::mouseClick(namedChild<QPushButton>(m_pDialog.get(), button), Qt::LeftButton);
    }

    OverlayFields shownFields()
    {
        OverlayFields shown{};
        for (std::size_t i = 0; i < kOverlayFieldCount; ++i)
            shown[i] = box(kFieldBoxes[i])->isChecked();
        return shown;
    }

    FakeProjectConsole m_console;
    std::unique_ptr<engineershoworhide> m_pDialog;
};

TEST_F(OverlayFieldDialog, FormHasItsNameTitleAndLayout)
{
    engineershoworhide& dialog = open();
    EXPECT_EQ(dialog.objectName(), "dialog");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("工程信息显示/隐藏"));
    EXPECT_EQ(dialog.size(), QSize(550, 316));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(namedChild<QLabel>(&dialog, "labelTitle")->text(),
              QStringLiteral("工程信息显示/隐藏"));
    EXPECT_EQ(namedChild<QLabel>(&dialog, "label_16")->text(), QStringLiteral("自定义信息叠加"));
    EXPECT_EQ(namedChild<QPushButton>(&dialog, "pushBtnOneSet")->text(),
              QStringLiteral("保存设置"));
    EXPECT_EQ(box("checkBoxPipMeterial")->geometry(), QRect(420, 100, 41, 41));
    EXPECT_EQ(customLine()->geometry(), QRect(350, 189, 81, 21));
    for (const char* name : kFieldBoxes)
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
}

TEST_F(OverlayFieldDialog, WithoutAConsoleEverythingIsTicked)
{
    engineershoworhide dialog;
    for (const char* name : kFieldBoxes)
        EXPECT_TRUE(namedChild<QCheckBox>(&dialog, name)->isChecked()) << name;
    EXPECT_TRUE(namedChild<QCheckBox>(&dialog, "checkBoxAll")->isChecked());
}

TEST_F(OverlayFieldDialog, OpensWithTheConsoleFlagsAndSelectAllTickedWhenAnyIsSet)
{
    m_console.m_fields = {true,  false, false, true,  false, false,
                          false, false, true,  false, false, false};
    open();
    EXPECT_EQ(shownFields(), m_console.m_fields);
    EXPECT_TRUE(box("checkBoxAll")->isChecked());
}

TEST_F(OverlayFieldDialog, OpensWithSelectAllUntickedWhenNoFlagIsSet)
{
    m_console.m_fields.fill(false);
    open();
    EXPECT_FALSE(box("checkBoxAll")->isChecked());
    EXPECT_EQ(shownFields(), m_console.m_fields);
}

TEST_F(OverlayFieldDialog, SelectAllTogglesEveryBoxButNotTheConsole)
{
    m_console.m_fields = {true, false, true, false, true, false,
                          true, false, true, false, true, false};
    const OverlayFields before = m_console.m_fields;
    open();
    OverlayFields all{};
    all.fill(true);
    OverlayFields none{};

    box("checkBoxAll")->setChecked(false);
    EXPECT_EQ(shownFields(), none);
    box("checkBoxAll")->setChecked(true);
    EXPECT_EQ(shownFields(), all);
    EXPECT_EQ(m_console.m_fields, before);

    // A single box does not feed back into select-all.
    box("checkBoxNo")->setChecked(false);
    EXPECT_TRUE(box("checkBoxAll")->isChecked());

    click("pushBtnOneSet");
    all[2] = false;
    EXPECT_EQ(m_console.m_fields, all);
}

TEST_F(OverlayFieldDialog, SavingCopiesEveryBoxAndTheCustomLineAndStaysOpen)
{
    open();
    for (std::size_t i = 0; i < kOverlayFieldCount; ++i)
        box(kFieldBoxes[i])->setChecked(i % 3 == 0);
    customLine()->setText(QStringLiteral("雨后复检"));
    click("pushBtnOneSet");

    for (std::size_t i = 0; i < kOverlayFieldCount; ++i)
        EXPECT_EQ(m_console.m_fields[i], i % 3 == 0) << kFieldBoxes[i];
    EXPECT_EQ(m_console.m_strCustomText, QStringLiteral("雨后复检"));
    EXPECT_TRUE(m_pDialog->isVisible());
    // Nothing of this choice is persisted.
    EXPECT_TRUE(testenv::readConfigBytes().isEmpty());
}

TEST_F(OverlayFieldDialog, CustomLineIsShownAgainOnlyWhenNotEmpty)
{
    open();
    EXPECT_TRUE(customLine()->text().isEmpty());
    customLine()->setText("Line A");
    click("pushBtnOneSet");
    open();
    EXPECT_EQ(customLine()->text(), "Line A");

    customLine()->clear();
    click("pushBtnOneSet");
    EXPECT_TRUE(m_console.m_strCustomText.isEmpty());
    open();
    EXPECT_TRUE(customLine()->text().isEmpty());
}

TEST_F(OverlayFieldDialog, ClosingWithoutSavingChangesNothing)
{
    m_console.m_strCustomText = "keep";
    const OverlayFields before = m_console.m_fields;
    open();
    box("checkBoxAll")->setChecked(false);
    customLine()->setText("discard");
    click("pushButtonClose");
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_EQ(m_console.m_fields, before);
    EXPECT_EQ(m_console.m_strCustomText, "keep");
}

} // namespace
