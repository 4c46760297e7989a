#include "FakeProjectConsole.h"
#include "consoletestenv.h"
#include "engineeringinfo.h"
#include "inisettings.h"
#include "projectinfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCodec>

#include <gtest/gtest.h>

namespace {

const QString kCustomItem = QString::fromUtf8(kCustomMaterialItem);

// Every key the dialog writes, in the order it writes them.
const char* const kSavedKeys[] = {
    "/systemconfig/fonttype",    "/systemconfig/langtype",        "/systemconfig/fontcolor",
    "/systemconfig/unit",        "/systemconfig/unitcompany",     "/systemconfig/inspector",
    "/systemconfig/no",          "/systemconfig/taskname",        "/systemconfig/location",
    "/systemconfig/startwellno", "/systemconfig/endwellno",       "/systemconfig/description",
    "/systemconfig/pipdiameter", "/systemconfig/direction",       "/systemconfig/piptype",
    "/systemconfig/pipmeterial", "/systemconfig/autopipmeterial", "/systemconfig/saveflag",
    "/systemconfig/startflag",
};

class EngineeringInfo : public ::testing::Test {
protected:
    void SetUp() override { testenv::removeConfig(); }

    QComboBox* list(const char* name) { return namedChild<QComboBox>(&current(), name); }
    QLineEdit* line(const char* name) { return namedChild<QLineEdit>(&current(), name); }
    QCheckBox* box(const char* name) { return namedChild<QCheckBox>(&current(), name); }

    // A fresh dialog, loaded from the file as it is now.
    engineeringinfo& open()
    {
        m_pDialog = std::make_unique<engineeringinfo>();
        m_pDialog->setConsole(&m_console);
        m_pDialog->show();
        return *m_pDialog;
    }
    engineeringinfo& current() { return *m_pDialog; }

    void choose(const char* listName, const QString& item)
    {
        QComboBox* l = list(listName);
        const int index = l->findText(item);
        ASSERT_GE(index, 0) << listName << " has no " << item.toStdString();
        l->setCurrentIndex(index);
    }

    void press()
    {
        QTest::mouseClick(namedChild<QPushButton>(&current(), "pushBtnOneSet"), Qt::LeftButton);
    }

    // Fills every field with a recognisable value.
    void fillForm()
    {
        choose("comboBoxFontType", QStringLiteral("黑体"));
        choose("comboBoxLangType", QStringLiteral("英文"));
        choose("comboBoxFontColor", QStringLiteral("红"));
        choose("comboBoxUnit", QStringLiteral("m"));
        line("lineEditUnitCompany")->setText(QStringLiteral("市政检测公司"));
        line("lineEditOneInspector")->setText(QStringLiteral("张三"));
        line("lineEditOneNo")->setText("P-2026-07");
        line("lineEditOneTaskName")->setText(QStringLiteral("北区排查"));
        line("lineEditOneLocation")->setText(QStringLiteral("人民路"));
        line("lineEditOneStartWellNo")->setText("Y12");
        line("lineEditOneEndWellNo")->setText("Y13");
        line("lineEditOneDescription")->setText(QStringLiteral("例行检测"));
        line("lineEditPipDiameter")->setText("600");
        choose("comboBoxDirection", QStringLiteral("逆流"));
        choose("comboBoxPipType", QStringLiteral("雨污合流"));
        choose("comboBoxPipMeterial", QStringLiteral("钢管"));
        line("lineEditAutoPipMeterial")->setText(QStringLiteral("玻璃钢"));
        box("checkBoxStartAdd")->setChecked(true);
    }

    FakeProjectConsole m_console;
    std::unique_ptr<engineeringinfo> m_pDialog;
};

TEST_F(EngineeringInfo, FormHasItsTitleSizeListsAndFrame)
{
    engineeringinfo& dialog = open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("工程信息设置"));
    EXPECT_EQ(dialog.size(), QSize(748, 448));
    EXPECT_EQ(dialog.windowFlags() & (Qt::Dialog | Qt::FramelessWindowHint),
              Qt::Dialog | Qt::FramelessWindowHint);
    EXPECT_EQ(namedChild<QLabel>(&dialog, "labelTitle")->text(), QStringLiteral("工程信息输入"));
    EXPECT_EQ(namedChild<QPushButton>(&dialog, "pushBtnOneSet")->geometry(),
              QRect(560, 370, 151, 51));
    EXPECT_EQ(line("lineEditOneEndWellNo")->geometry(), QRect(410, 250, 51, 20));

    const struct {
        const char* name;
        QStringList items;
    } lists[] = {
        {"comboBoxFontType", {"宋体", "黑体", "楷体"}},
        {"comboBoxLangType", {"中文", "英文"}},
        {"comboBoxFontColor", {"白", "红", "绿", "蓝"}},
        {"comboBoxUnit", {"mm", "m"}},
        {"comboBoxDirection", {"顺流", "逆流"}},
        {"comboBoxPipType", {"雨水", "污水", "雨污合流"}},
        {"comboBoxPipMeterial",
         {"混凝土", "HDPE", "砖土", "PE", "钢管", "Segmented BLock", "自定义其他的材质"}},
    };
    for (const auto& expected : lists) {
        QComboBox* l = list(expected.name);
        QStringList items;
        for (int i = 0; i < l->count(); ++i)
            items << l->itemText(i);
        EXPECT_EQ(items, expected.items) << expected.name;
    }

    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(QColor(image.pixel(400, 40)), QColor(153, 153, 153));
    EXPECT_EQ(QColor(image.pixel(400, 440)), QColor(102, 102, 102));
}

TEST_F(EngineeringInfo, DraggingOnTheTitleTextMovesTheDialog)
{
    engineeringinfo& dialog = open();
    dialog.move(100, 80);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    auto* title = namedChild<QLabel>(&dialog, "labelTitle");
    const QPoint press(20, 10);
    const QPoint global = title->mapToGlobal(press);
    QMouseEvent down(QEvent::MouseButtonPress, press, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(title, &down);
    QMouseEvent drag(QEvent::MouseMove, press, global + QPoint(60, 30), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drag);
    EXPECT_EQ(dialog.pos(), start + QPoint(60, 30));
}

TEST_F(EngineeringInfo, LoadsEveryFieldFromTheFile)
{
    SetQStringFromIni("/systemconfig/fonttype", QStringLiteral("楷体"));
    SetQStringFromIni("/systemconfig/langtype", QStringLiteral("英文"));
    SetQStringFromIni("/systemconfig/fontcolor", QStringLiteral("蓝"));
    SetQStringFromIni("/systemconfig/unit", "m");
    SetQStringFromIni("/systemconfig/unitcompany", QStringLiteral("检测公司甲"));
    SetQStringFromIni("/systemconfig/inspector", QStringLiteral("李四"));
    SetQStringFromIni("/systemconfig/no", "N1");
    SetQStringFromIni("/systemconfig/taskname", "T1");
    SetQStringFromIni("/systemconfig/location", "L1");
    SetQStringFromIni("/systemconfig/startwellno", "S1");
    SetQStringFromIni("/systemconfig/endwellno", "E1");
    SetQStringFromIni("/systemconfig/description", "D1");
    SetQStringFromIni("/systemconfig/pipdiameter", "800");
    SetQStringFromIni("/systemconfig/direction", QStringLiteral("逆流"));
    SetQStringFromIni("/systemconfig/piptype", QStringLiteral("污水"));
    SetQStringFromIni("/systemconfig/pipmeterial", "HDPE");
    SetQStringFromIni("/systemconfig/autopipmeterial", QStringLiteral("陶土"));
    SetQStringFromIni("/systemconfig/startflag", "1");
    SetQStringFromIni("/systemconfig/saveflag", "1");
    open();

    EXPECT_EQ(list("comboBoxFontType")->currentText(), QStringLiteral("楷体"));
    EXPECT_EQ(list("comboBoxLangType")->currentText(), QStringLiteral("英文"));
    EXPECT_EQ(list("comboBoxFontColor")->currentText(), QStringLiteral("蓝"));
    EXPECT_EQ(list("comboBoxUnit")->currentText(), "m");
    EXPECT_EQ(line("lineEditUnitCompany")->text(), QStringLiteral("检测公司甲"));
    EXPECT_EQ(line("lineEditOneInspector")->text(), QStringLiteral("李四"));
    EXPECT_EQ(line("lineEditOneNo")->text(), "N1");
    EXPECT_EQ(line("lineEditOneTaskName")->text(), "T1");
    EXPECT_EQ(line("lineEditOneLocation")->text(), "L1");
    EXPECT_EQ(line("lineEditOneStartWellNo")->text(), "S1");
    EXPECT_EQ(line("lineEditOneEndWellNo")->text(), "E1");
    EXPECT_EQ(line("lineEditOneDescription")->text(), "D1");
    EXPECT_EQ(line("lineEditPipDiameter")->text(), "800");
    EXPECT_EQ(list("comboBoxDirection")->currentText(), QStringLiteral("逆流"));
    EXPECT_EQ(list("comboBoxPipType")->currentText(), QStringLiteral("污水"));
    EXPECT_EQ(list("comboBoxPipMeterial")->currentText(), "HDPE");
    EXPECT_EQ(line("lineEditAutoPipMeterial")->text(), QStringLiteral("陶土"));
    EXPECT_FALSE(line("lineEditAutoPipMeterial")->isEnabled());
    EXPECT_TRUE(box("checkBoxStartAdd")->isChecked());
    EXPECT_TRUE(box("checkBoxSaveCurInfo")->isChecked());
}

TEST_F(EngineeringInfo, MissingOrUnknownValuesShowFirstItemsEmptyLinesAndClearBoxes)
{
    SetQStringFromIni("/systemconfig/fonttype", QStringLiteral("仿宋"));
    SetQStringFromIni("/systemconfig/startflag", "yes");
    open();
    EXPECT_EQ(list("comboBoxFontType")->currentText(), QStringLiteral("宋体"));
    EXPECT_EQ(list("comboBoxPipMeterial")->currentText(), QStringLiteral("混凝土"));
    EXPECT_TRUE(line("lineEditOneTaskName")->text().isEmpty());
    EXPECT_FALSE(box("checkBoxStartAdd")->isChecked());
    EXPECT_FALSE(box("checkBoxSaveCurInfo")->isChecked());

    // A saving run then stores the item shown.
    box("checkBoxSaveCurInfo")->setChecked(true);
    press();
    EXPECT_EQ(GetQStringFromIni("/systemconfig/fonttype"), QStringLiteral("宋体"));
}

TEST_F(EngineeringInfo, SavingWritesAllNineteenKeysAndReloadsTheConsole)
{
    open();
    fillForm();
    box("checkBoxSaveCurInfo")->setChecked(true);
    press();

    const QStringList expected = {"黑体", "英文",      "红",       "m",      "市政检测公司",
                                  "张三", "P-2026-07", "北区排查", "人民路", "Y12",
                                  "Y13",  "例行检测",  "600",      "逆流",   "雨污合流",
                                  "钢管", "玻璃钢",    "1",        "1"};
    ASSERT_EQ(std::size(kSavedKeys), static_cast<std::size_t>(expected.size()));
    for (std::size_t i = 0; i < std::size(kSavedKeys); ++i)
        EXPECT_EQ(GetQStringFromIni(kSavedKeys[i]), expected[static_cast<int>(i)]) << kSavedKeys[i];

    EXPECT_EQ(m_console.m_iReloads, 1);
    EXPECT_EQ(m_console.m_iApplies, 0);
    const ProjectInfo& info = *m_console.projectInfo();
    EXPECT_EQ(info.m_strTaskName, QStringLiteral("北区排查"));
    EXPECT_EQ(info.m_strPipMeterial, QStringLiteral("钢管"));
    EXPECT_EQ(info.m_strSaveFlag, "1");
    EXPECT_EQ(info.m_overlayColor, cv::Scalar(0, 0, 255, 0));
    EXPECT_TRUE(current().isVisible());
}

TEST_F(EngineeringInfo, StartFlagIsSavedAsZeroWhenUnticked)
{
    SetQStringFromIni("/systemconfig/startflag", "1");
    open();
    box("checkBoxStartAdd")->setChecked(false);
    box("checkBoxSaveCurInfo")->setChecked(true);
    press();
    EXPECT_EQ(GetQStringFromIni("/systemconfig/startflag"), "0");
    EXPECT_EQ(GetQStringFromIni("/systemconfig/saveflag"), "1");
}

TEST_F(EngineeringInfo, ApplyingWithoutSavingChangesTheConsoleButNotTheFile)
{
    SetQStringFromIni("/systemconfig/taskname", QStringLiteral("旧任务"));
    SetQStringFromIni("/systemconfig/fontcolor", QStringLiteral("白"));
    m_console.GetSysInfo();
    m_console.m_iReloads = 0;
    const QByteArray before = testenv::readConfigBytes();

    open();
    fillForm();
    choose("comboBoxFontColor", QStringLiteral("绿"));
    press();

    EXPECT_EQ(testenv::readConfigBytes(), before);
    EXPECT_EQ(m_console.m_iReloads, 0);
    EXPECT_EQ(m_console.m_iApplies, 1);
    const ProjectInfo& info = *m_console.projectInfo();
    EXPECT_EQ(info.m_strFontType, QStringLiteral("黑体"));
    EXPECT_EQ(info.m_strLangType, QStringLiteral("英文"));
    EXPECT_EQ(info.m_strFontColor, QStringLiteral("绿"));
    EXPECT_EQ(info.m_strUnit, "m");
    EXPECT_EQ(info.m_strUnitCompany, QStringLiteral("市政检测公司"));
    EXPECT_EQ(info.m_strInspector, QStringLiteral("张三"));
    EXPECT_EQ(info.m_strNo, "P-2026-07");
    EXPECT_EQ(info.m_strTaskName, QStringLiteral("北区排查"));
    EXPECT_EQ(info.m_strLocation, QStringLiteral("人民路"));
    EXPECT_EQ(info.m_strStartWellNo, "Y12");
    EXPECT_EQ(info.m_strEndWellNo, "Y13");
    EXPECT_EQ(info.m_strDescription, QStringLiteral("例行检测"));
    EXPECT_EQ(info.m_strPipDiameter, "600");
    EXPECT_EQ(info.m_strDirection, QStringLiteral("逆流"));
    EXPECT_EQ(info.m_strPipType, QStringLiteral("雨污合流"));
    EXPECT_EQ(info.m_strPipMeterial, QStringLiteral("钢管"));
    EXPECT_EQ(info.m_strSaveFlag, "0");
    EXPECT_EQ(info.m_strStartFlag, "1");
    // The overlay colour follows the applied colour at once.
    EXPECT_EQ(info.m_overlayColor, cv::Scalar(0, 255, 0, 0));

    // The next opening shows the file, not the applied values.
    open();
    EXPECT_EQ(line("lineEditOneTaskName")->text(), QStringLiteral("旧任务"));
    EXPECT_EQ(list("comboBoxFontColor")->currentText(), QStringLiteral("白"));
}

TEST_F(EngineeringInfo, CustomMaterialItemEnablesTheCustomLine)
{
    open();
    QLineEdit* custom = line("lineEditAutoPipMeterial");
    EXPECT_FALSE(custom->isEnabled());
    choose("comboBoxPipMeterial", kCustomItem);
    EXPECT_TRUE(custom->isEnabled());
    custom->setText(QStringLiteral("玻璃钢"));

    // Applied with the custom item, the material is the custom text.
    press();
    EXPECT_EQ(m_console.projectInfo()->m_strPipMeterial, QStringLiteral("玻璃钢"));

    // Another material disables the line but keeps its text ...
    choose("comboBoxPipMeterial", "PE");
    EXPECT_FALSE(custom->isEnabled());
    EXPECT_EQ(custom->text(), QStringLiteral("玻璃钢"));
    press();
    EXPECT_EQ(m_console.projectInfo()->m_strPipMeterial, "PE");

    // ... which a saving run still writes.
    box("checkBoxSaveCurInfo")->setChecked(true);
    press();
    EXPECT_EQ(GetQStringFromIni("/systemconfig/pipmeterial"), "PE");
    EXPECT_EQ(GetQStringFromIni("/systemconfig/autopipmeterial"), QStringLiteral("玻璃钢"));
}

TEST_F(EngineeringInfo, StoredCustomMaterialOpensWithTheLineEnabledAndReloadsAsTheCustomText)
{
    SetQStringFromIni("/systemconfig/pipmeterial", kCustomItem);
    SetQStringFromIni("/systemconfig/autopipmeterial", QStringLiteral("陶土"));
    open();
    EXPECT_EQ(list("comboBoxPipMeterial")->currentText(), kCustomItem);
    EXPECT_TRUE(line("lineEditAutoPipMeterial")->isEnabled());

    box("checkBoxSaveCurInfo")->setChecked(true);
    press();
    EXPECT_EQ(GetQStringFromIni("/systemconfig/pipmeterial"), kCustomItem);
    EXPECT_EQ(m_console.projectInfo()->m_strPipMeterial, QStringLiteral("陶土"));
}

TEST_F(EngineeringInfo, ChineseValuesAreStoredAsGb2312Bytes)
{
    open();
    choose("comboBoxPipType", QStringLiteral("雨污合流"));
    box("checkBoxSaveCurInfo")->setChecked(true);
    press();

    const QByteArray bytes = testenv::readConfigBytes();
    QTextCodec* gb2312 = QTextCodec::codecForName("GB2312");
    ASSERT_NE(gb2312, nullptr);
    const QByteArray encoded = gb2312->fromUnicode(QStringLiteral("雨污合流"));
    EXPECT_EQ(encoded.size(), 8);
    EXPECT_TRUE(bytes.contains("piptype=" + encoded)) << bytes.toStdString();
    EXPECT_FALSE(bytes.contains(QStringLiteral("雨污合流").toUtf8()));
    EXPECT_EQ(GetQStringFromIni("/systemconfig/piptype"), QStringLiteral("雨污合流"));
}

TEST_F(EngineeringInfo, CloseButtonClosesWithoutWritingOrApplying)
{
    open();
    fillForm();
    box("checkBoxSaveCurInfo")->setChecked(true);
    QTest::mouseClick(namedChild<QPushButton>(&current(), "pushButtonClose"), Qt::LeftButton);
    EXPECT_FALSE(current().isVisible());
    EXPECT_TRUE(testenv::readConfigBytes().isEmpty());
    EXPECT_EQ(m_console.m_iReloads + m_console.m_iApplies, 0);
}

} // namespace
