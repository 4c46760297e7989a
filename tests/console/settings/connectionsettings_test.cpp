#include "FakeConnectionConsole.h"
#include "FakeProjectConsole.h"
#include "connectionsettings.h"
#include "consoletestenv.h"
#include "inisettings.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kLiveWaitMs = 3 * ConnectionSettings::kRefreshMs;

// Every key the dialog writes and the field it writes it from.
const char* const kFieldKeys[][2] = {
    {"lineEditMainIp", "/lognone/ip"},     {"lineEditMainPort", "/lognone/port"},
    {"lineEditMainName", "/lognone/name"}, {"lineEditMainPassword", "/lognone/password"},
    {"lineEditBackIp", "/logntwo/ip"},     {"lineEditBackPort", "/logntwo/port"},
    {"lineEditBackName", "/logntwo/name"}, {"lineEditBackPassword", "/logntwo/password"},
    {"lineEditLinkIp", "/com/ip"},         {"lineEditLinkPort", "/com/port"},
    {"lineEditFps", "/came/fps"},
};

class ConnectionDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        m_console.m_strSaveFolder = folder("save");
        SetQStringFromIni("/lognone/ip", "127.0.1.64");
        SetQStringFromIni("/lognone/port", "554");
        SetQStringFromIni("/lognone/name", "admin");
        SetQStringFromIni("/lognone/password", "abc,123");
        SetQStringFromIni("/logntwo/ip", "sim:back?w=64&h=48");
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", "20108");
        SetQStringFromIni("/came/fps", "25");
    }

    // A fresh folder below the private home, with its final "/".
    static QString folder(const char* name)
    {
        const QString path = testenv::home() + "/" + name + "/";
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        return path;
    }

    ConnectionSettings& open()
    {
        m_pDialog = std::make_unique<ConnectionSettings>();
        m_pDialog->setConsole(&m_console);
        m_pDialog->show();
        return *m_pDialog;
    }

    QLineEdit* edit(const char* name) { return namedChild<QLineEdit>(m_pDialog.get(), name); }
    QString label(const char* name) { return namedChild<QLabel>(m_pDialog.get(), name)->text(); }
    void click(const char* name)
    {
        QTest::mouseClick(namedChild<QPushButton>(m_pDialog.get(), name), Qt::LeftButton);
    }
    void type(const char* name, const QString& text)
    {
        edit(name)->clear();
        QTest::keyClicks(edit(name), text);
    }
    bool labelBecomes(const char* name, const QString& text)
    {
        return QTest::qWaitFor([&] { return label(name) == text; }, kLiveWaitMs);
    }

    FakeConnectionConsole m_console;
    std::unique_ptr<ConnectionSettings> m_pDialog;
};

TEST_F(ConnectionDialog, ShowsTheSettingsInUseAndKeepsThePasswordMaskedUntilAsked)
{
    ConnectionSettings& dialog = open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("连接设置"));
    EXPECT_EQ(label("labelTitle"), QStringLiteral("连接设置"));
    EXPECT_EQ(dialog.windowFlags(), Qt::Dialog | Qt::FramelessWindowHint);
    for (const auto& field : kFieldKeys)
        EXPECT_EQ(edit(field[0])->text(), GetQStringFromIni(field[1])) << field[0];
    EXPECT_EQ(edit("lineEditSaveFolder")->text(), m_console.m_strSaveFolder);

    QLineEdit* password = edit("lineEditMainPassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("lineEditBackPassword")->echoMode(), QLineEdit::Password);
    auto* show = namedChild<QCheckBox>(&dialog, "checkBoxMainPassword");
    QTest::mouseClick(show, Qt::LeftButton, {}, QPoint(5, show->height() / 2));
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    QTest::mouseClick(show, Qt::LeftButton, {}, QPoint(5, show->height() / 2));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
}

TEST_F(ConnectionDialog, LiveStateFollowsTheConsoleWhileOpen)
{
    m_console.m_cameras[0] = {false, QStringLiteral("连接被拒绝")};
    m_console.m_cameras[1] = {true, QString()};
    m_console.m_rate = {8e6, true};
    m_console.m_strLinkProblem = QStringLiteral("连接被拒绝");
    open();
    EXPECT_EQ(label("labelLinkState"), QStringLiteral("未连接：连接被拒绝"));
    EXPECT_EQ(label("labelMainState"), QStringLiteral("未连接：连接被拒绝"));
    EXPECT_EQ(label("labelBackState"), QStringLiteral("已连接"));
    // Free space and what it holds at 8 Mbit/s, i.e. 1 MB a second.
    const QString space = label("labelSaveFolderState");
    const QRegularExpressionMatch hours =
        QRegularExpression(
            QStringLiteral(" GB，按当前码率 8.0 Mbit/s 可录像约 (\\d+) 小时 \\d+ 分$"))
            .match(space);
    ASSERT_TRUE(hours.hasMatch()) << space.toStdString();
    const double freeHours = QStorageInfo(m_console.m_strSaveFolder).bytesAvailable() / 1e6 / 3600;
    EXPECT_NEAR(hours.captured(1).toDouble(), freeHours, 1.0);

    m_console.m_bLinkUp = true;
    m_console.m_cameras[0] = {false, QStringLiteral("用户名或密码错误")};
    m_console.m_cameras[1] = {true, QStringLiteral("视频信号中断")};
    m_console.m_rate = {4e6, false};
    EXPECT_TRUE(labelBecomes("labelLinkState", QStringLiteral("已连接")));
    EXPECT_TRUE(labelBecomes("labelMainState", QStringLiteral("未连接：用户名或密码错误")));
    EXPECT_TRUE(labelBecomes("labelBackState", QStringLiteral("已连接：视频信号中断")));
    EXPECT_TRUE(label("labelSaveFolderState").contains(QStringLiteral("按估计码率 4.0 Mbit/s")));
    m_console.m_rate = {};
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return label("labelSaveFolderState")
                .endsWith(QStringLiteral("GB，有画面后显示可录像时间"));
        },
        kLiveWaitMs));

    type("lineEditSaveFolder", testenv::home() + "/missing");
    EXPECT_TRUE(labelBecomes("labelSaveFolderState", QStringLiteral("文件夹不存在")));
}

TEST_F(ConnectionDialog, WhatIsWrongIsShownBesideItsFieldAndNothingIsWritten)
{
    open();
    type("lineEditMainIp", "127.0.1.300");
    type("lineEditMainPort", "0");
    type("lineEditBackIp", "rtsp://");
    type("lineEditLinkIp", "crawler one");
    type("lineEditLinkPort", "70000");
    type("lineEditFps", "61");
    type("lineEditSaveFolder", testenv::home() + "/missing");
    const QByteArray before = testenv::readConfigBytes();
    click("pushButtonSave");

    EXPECT_EQ(label("labelMainIpError"), QStringLiteral("应为 IPv4 地址、主机名或 rtsp:// 地址"));
    EXPECT_EQ(label("labelMainPortError"), QStringLiteral("端口应为 1–65535"));
    EXPECT_EQ(label("labelBackIpError"), QStringLiteral("应为 IPv4 地址、主机名或 rtsp:// 地址"));
    EXPECT_EQ(label("labelLinkIpError"), QStringLiteral("应为 IPv4 地址"));
    EXPECT_EQ(label("labelLinkPortError"), QStringLiteral("端口应为 1–65535"));
    EXPECT_EQ(label("labelFpsError"), QStringLiteral("帧率应为 1–60"));
    EXPECT_EQ(label("labelSaveFolderError"), QStringLiteral("文件夹不存在"));
    EXPECT_TRUE(label("labelBackPortError").isEmpty());
    EXPECT_EQ(testenv::readConfigBytes(), before);
    EXPECT_TRUE(m_console.m_applied.empty());
    EXPECT_TRUE(m_console.m_folderChanges.empty());
    EXPECT_TRUE(m_pDialog->isVisible());

    // Corrected, the messages go and the values are written.
    type("lineEditMainIp", " 127.0.1.30 ");
    type("lineEditMainPort", "8554");
    type("lineEditBackIp", "rtsp://cam-back.local:8554/live");
    type("lineEditLinkIp", "127.0.1.21");
    type("lineEditLinkPort", "20109");
    type("lineEditFps", "12");
    type("lineEditSaveFolder", testenv::home() + "/save");
    click("pushButtonSave");
    for (const char* error :
         {"labelMainIpError", "labelMainPortError", "labelBackIpError", "labelLinkIpError",
          "labelLinkPortError", "labelFpsError", "labelSaveFolderError"})
        EXPECT_TRUE(label(error).isEmpty()) << error;
    EXPECT_EQ(GetQStringFromIni("/lognone/ip"), "127.0.1.30");
    EXPECT_EQ(GetQStringFromIni("/logntwo/ip"), "rtsp://cam-back.local:8554/live");
    EXPECT_EQ(GetQStringFromIni("/com/port"), "20109");
    EXPECT_EQ(GetQStringFromIni("/came/fps"), "12");
}

TEST_F(ConnectionDialog, SaveWritesOnlyWhatChangedAndTellsTheConsoleWhatToRenew)
{
    ConnectionSettings& dialog = open();
    const QString password = QStringLiteral(" p,w;\"x\\ ");
    type("lineEditBackPort", "8554");
    type("lineEditBackPassword", password);
    const QString chosen = folder("picked");
    QString pickerStart;
    dialog.setFolderPicker([&](QWidget*, const QString& start) {
        pickerStart = start;
        return chosen.chopped(1); // as a folder dialog returns it
    });
    click("pushButtonBrowse");
    EXPECT_EQ(pickerStart, m_console.m_strSaveFolder);
    EXPECT_EQ(edit("lineEditSaveFolder")->text(), chosen);
    std::map<std::string, QString> before;
    for (const auto& field : kFieldKeys)
        before[field[1]] = GetQStringFromIni(field[1]);
    click("pushButtonSave");

    EXPECT_EQ(label("labelSaveResult"), QStringLiteral("已保存"));
    before["/logntwo/port"] = "8554";
    before["/logntwo/password"] = password;
    for (const auto& field : kFieldKeys)
        EXPECT_EQ(GetQStringFromIni(field[1]), before[field[1]]) << field[1];
    // The back camera's address is no form the dialog accepts, but it is
    // the one in use and was not touched: it stays as it was.
    EXPECT_EQ(GetQStringFromIni("/logntwo/ip"), "sim:back?w=64&h=48");
    ASSERT_EQ(m_console.m_applied.size(), 1u);
    EXPECT_FALSE(m_console.m_applied[0].cameras[0]);
    EXPECT_TRUE(m_console.m_applied[0].cameras[1]);
    EXPECT_FALSE(m_console.m_applied[0].link);
    EXPECT_EQ(m_console.m_folderChanges, std::vector<QString>{chosen});

    // Saving again without a change renews nothing.
    click("pushButtonSave");
    ASSERT_EQ(m_console.m_applied.size(), 2u);
    EXPECT_FALSE(m_console.m_applied[1].cameras[1]);
    EXPECT_EQ(m_console.m_folderChanges.size(), 1u);

    type("lineEditLinkPort", "20110");
    click("pushButtonSave");
    EXPECT_TRUE(m_console.m_applied.back().link);
    EXPECT_FALSE(m_console.m_applied.back().cameras[1]);
}

TEST_F(ConnectionDialog, UntouchedFieldsOfAHandEditedFileAreNeitherCheckedNorWrittenNorApplied)
{
    // As an operator types it: spaces around "=" and after a value, a
    // desk-test camera the dialog would not accept, a folder without its "/".
    const QByteArray typed = "[com]\nip = 127.0.0.1 \nport = 20108\n"
                             "[lognone]\nip = sim:main\nport = 0\nname = admin\n"
                             "[logntwo]\nip=sim:back\nport=\n"
                             "[came]\nfps = 25\n";
    testenv::writeConfigBytes(typed);
    m_console.m_strSaveFolder.chop(1);
    open();
    type("lineEditFps", "12");
    click("pushButtonSave");

    EXPECT_EQ(label("labelSaveResult"), QStringLiteral("已保存"));
    QByteArray expected = typed;
    expected.replace("fps = 25", "fps = 12");
    EXPECT_EQ(testenv::readConfigBytes(), expected);
    ASSERT_EQ(m_console.m_applied.size(), 1u);
    EXPECT_FALSE(m_console.m_applied[0].link);
    EXPECT_FALSE(m_console.m_applied[0].cameras[0]);
    EXPECT_FALSE(m_console.m_applied[0].cameras[1]);
    EXPECT_TRUE(m_console.m_folderChanges.empty());
}

TEST_F(ConnectionDialog, CancelCloseAndEscapeChangeNothing)
{
    const QByteArray before = testenv::readConfigBytes();
    const auto editEverything = [&] {
        for (const auto& field : kFieldKeys)
            type(field[0], "9");
        type("lineEditSaveFolder", folder("other"));
    };
    for (const char* way : {"pushButtonCancel", "pushButtonClose", "Escape"}) {
        open();
        editEverything();
        if (QByteArray(way) == "Escape")
            QTest::keyClick(edit("lineEditFps"), Qt::Key_Escape);
        else
            click(way);
        EXPECT_FALSE(m_pDialog->isVisible()) << way;
        EXPECT_EQ(testenv::readConfigBytes(), before) << way;
    }
    EXPECT_TRUE(m_console.m_applied.empty());
    EXPECT_TRUE(m_console.m_folderChanges.empty());
}

} // namespace
