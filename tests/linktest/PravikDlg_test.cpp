#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>
#include <thread>

#include "AboutDlg.h"
#include "ExpectedCommands.h"
#include "PravikDlg.h"
#include "fakelink.h"
#include "TestSupport.h"

namespace {

constexpr int kTestPort = 4321;
constexpr int kWaitMs = 10000;

// A dialog on a recording link, opened to 127.0.0.1.
struct DialogFixture {
    FakeLink link;
    std::unique_ptr<CPravikDlg> dialog;

    DialogFixture()
    {
        EnsureTestApplication();
        dialog = std::make_unique<CPravikDlg>(
            [this](ISocketSystemHeadMsg* msg) {
                link.msg = msg;
                return &link;
            },
            QStringLiteral("127.0.0.1"), kTestPort);
    }

    template <typename T> T* Find(const QString& name) const
    {
        T* widget = dialog->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << "no widget " << name.toStdString();
        return widget;
    }

    QLineEdit* Edit(int id) const { return Find<QLineEdit>(QStringLiteral("id%1").arg(id)); }
    QString Field(int id) const { return Edit(id)->text(); }
};

// Closes the next modal dialog that opens and hands back its title.
void CloseNextModal(QString* title)
{
    QTimer::singleShot(0, [title] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            CloseNextModal(title);
            return;
        }
        *title = modal->windowTitle();
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
    });
}

} // namespace

TEST(CPravikDlg, OpensTheLinkAtStartWithItselfAsMessageSink)
{
    DialogFixture f;
    EXPECT_EQ(f.link.msg, static_cast<ISocketSystemHeadMsg*>(f.dialog.get()));
    EXPECT_EQ(f.link.calls(),
              QStringList({"Connect 127.0.0.1 4321", "IsConnected", "Start", "ResetControl"}));
    EXPECT_EQ(f.Find<QLineEdit>("hostEdit")->text(), "127.0.0.1");
    EXPECT_EQ(f.Find<QSpinBox>("portEdit")->value(), kTestPort);
}

TEST(CPravikDlg, EachButtonSendsExactlyItsOperationAndValue)
{
    DialogFixture f;
    for (const auto& [id, expected] : ExpectedCommands()) {
        f.link.clearCalls();
        QPushButton* button = f.Find<QPushButton>(QStringLiteral("id%1").arg(id));
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(f.link.calls(), QStringList{expected}) << "button id" << id;
    }
}

TEST(CPravikDlg, ButtonCaptionsAreTheValuesSent)
{
    DialogFixture f;
    const QList<QPair<int, QString>> captions = {
        {1019, "0x00"}, {1043, "0xFF"}, {1066, "4"},    {1081, "2000"}, {1069, "100"},
        {1076, "0"},    {1085, "1000"}, {1061, "0xFF"}, {1086, "向左"}, {1087, "向右"},
        {1088, "向上"}, {1089, "向下"}, {1090, "居中"}, {1092, "重置"}, {1093, "重置"},
    };
    for (const auto& [id, caption] : captions) {
        EXPECT_EQ(f.Find<QPushButton>(QStringLiteral("id%1").arg(id))->text(), caption);
    }
}

TEST(CPravikDlg, ConnectButtonAndEnterReopenToTheEditedAddress)
{
    DialogFixture f;
    f.dialog->show();
    f.link.clearCalls();
    f.Find<QLineEdit>("hostEdit")->setText(" 127.0.0.2 ");
    f.Find<QSpinBox>("portEdit")->setValue(5555);
    QTest::mouseClick(f.Find<QPushButton>("connectButton"), Qt::LeftButton);
    const QStringList reopen = {"Disconnect", "Connect 127.0.0.2 5555", "IsConnected", "Start",
                                "ResetControl"};
    EXPECT_EQ(f.link.calls(), reopen);

    // Enter in the address field reconnects and leaves the dialog open.
    f.link.clearCalls();
    QTest::keyClick(f.Find<QLineEdit>("hostEdit"), Qt::Key_Return);
    EXPECT_EQ(f.link.calls(), reopen);
    EXPECT_TRUE(f.dialog->isVisible());

    // An empty address is not sent to the link.
    f.link.clearCalls();
    f.Find<QLineEdit>("hostEdit")->clear();
    QTest::mouseClick(f.Find<QPushButton>("connectButton"), Qt::LeftButton);
    EXPECT_TRUE(f.link.calls().isEmpty());
}

TEST(CPravikDlg, FieldsStartAtZeroAndAreReadOnly)
{
    DialogFixture f;
    for (int id : {1000, 1013, 1024, 1026, 1027, 1048, 1029, 1042}) {
        auto* field = f.Find<QLineEdit>(QStringLiteral("id%1").arg(id));
        EXPECT_EQ(field->text(), "0") << id;
        EXPECT_TRUE(field->isReadOnly()) << id;
    }
}

TEST(CPravikDlg, StatusRecordFromLinkThreadFillsFieldsOnDialogThread)
{
    DialogFixture f;
    LinkStatusRecord status;
    std::memset(&status, 0, sizeof status);
    status.Car_Pressure = 999;
    status.PWM[0] = 2000;
    status.PWM[1] = 2000;
    status.ARM_distence = 3;
    status.Wir_length = 2500;
    status.Angle_Roll = 3.5f;
    status.NRF_Status = 7;

    std::thread linkThread([&] { f.link.msg->OnStatusData(&status); });
    linkThread.join();
    // Nothing is touched from the link thread; the dialog's thread applies the record.
    EXPECT_EQ(f.Field(1000), "0");
    EXPECT_EQ(WaitForText(f.Edit(1000), "999", kWaitMs), "999");
    EXPECT_EQ(f.Field(1024), "45");
    EXPECT_EQ(f.Field(1025), "84");
    EXPECT_EQ(f.Field(1026), "1.6");
    EXPECT_EQ(f.Field(1027), "25");
    EXPECT_EQ(f.Field(1012), "3.5");
    EXPECT_EQ(f.Field(1048), "7");
    // The echo fields belong to the other record.
    EXPECT_EQ(f.Field(1029), "0");
}

TEST(CPravikDlg, ControlEchoFromLinkThreadFillsEchoFields)
{
    DialogFixture f;
    LinkControlRecord echo;
    std::memset(&echo, 0, sizeof echo);
    echo.Key_Safe_Status = 255;
    echo.Car_Direct_Status = 3;
    echo.Car_PWM_Value[0] = 2000;
    echo.Car_PWM_Value[1] = 500;
    echo.Arm_PWM_Value = 1000;
    echo.Back_LED_Status = 100;
    echo.Pho_PWM_Value[0] = 1500;
    echo.Pho_PWM_Value[1] = 65535;
    echo.Pho_BorS_Status = 150;
    echo.Pho_ForN_Status = 200;
    echo.Lamp_PWM_Value = 1000;
    echo.PhoDisHum_Status = 255;
    echo.AutoWir_Status = 1;
    echo.DisMearsure_Status = 2;

    std::thread linkThread([&] { f.link.msg->OnControlData(&echo); });
    linkThread.join();
    EXPECT_EQ(WaitForText(f.Edit(1029), "255", kWaitMs), "255");
    const QList<QPair<int, QString>> expected = {
        {1030, "3"},    {1031, "2000"},  {1032, "500"}, {1033, "1000"}, {1034, "100"},
        {1035, "1500"}, {1036, "65535"}, {1037, "150"}, {1038, "200"},  {1039, "1000"},
        {1040, "255"},  {1041, "1"},     {1042, "2"},
    };
    for (const auto& [id, text] : expected) {
        EXPECT_EQ(f.Field(id), text) << id;
    }
    EXPECT_EQ(f.Field(1000), "0");
}

TEST(CPravikDlg, IgnoresNullRecordsAndLinkStateTexts)
{
    DialogFixture f;
    EXPECT_EQ(f.dialog->OnStatusData(nullptr), 0);
    EXPECT_EQ(f.dialog->OnControlData(nullptr), 0);
    EXPECT_EQ(f.dialog->OnLinkState("0"), 0);
    EXPECT_EQ(f.dialog->OnLinkState(nullptr), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Field(1000), "0");
    EXPECT_EQ(f.Field(1029), "0");
}

TEST(CPravikDlg, GroupsStatusCameraAndDialogButtons)
{
    DialogFixture f;
    auto* statusField = f.Find<QLineEdit>("id1000");
    auto* statusGroup = qobject_cast<QGroupBox*>(statusField->parentWidget());
    ASSERT_NE(statusGroup, nullptr);
    EXPECT_EQ(statusGroup->title(), "Static");
    auto* secondGroup = qobject_cast<QGroupBox*>(f.Find<QLineEdit>("id1048")->parentWidget());
    ASSERT_NE(secondGroup, nullptr);
    EXPECT_EQ(secondGroup->title(), "Static");
    EXPECT_EQ(secondGroup->parentWidget(), statusGroup);

    for (int id : {1086, 1087, 1088, 1089, 1090, 1092, 1093}) {
        auto* group = qobject_cast<QGroupBox*>(
            f.Find<QPushButton>(QStringLiteral("id%1").arg(id))->parentWidget());
        ASSERT_NE(group, nullptr) << id;
        EXPECT_EQ(group->title(), "摄像头操作");
    }
    // Each echo row keeps its buttons on its own line, right of its field.
    f.dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.dialog.get()));
    for (auto [fieldId, buttonId] : {std::pair{1029, 1043}, {1030, 1066}, {1041, 1059}}) {
        const QRect field = f.Edit(fieldId)->geometry();
        const QRect button = f.Find<QPushButton>(QStringLiteral("id%1").arg(buttonId))->geometry();
        EXPECT_EQ(button.center().y(), field.center().y()) << buttonId;
        EXPECT_GT(button.left(), field.right()) << buttonId;
    }
    EXPECT_LT(f.Edit(1029)->geometry().top(), f.Edit(1030)->geometry().top());
}

TEST(CPravikDlg, OkAndCancelCloseTheDialog)
{
    DialogFixture f;
    EXPECT_EQ(f.Find<QPushButton>("id1")->text(), "确定");
    EXPECT_EQ(f.Find<QPushButton>("id2")->text(), "取消");
    f.dialog->show();
    QTest::mouseClick(f.Find<QPushButton>("id1"), Qt::LeftButton);
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.dialog->result(), QDialog::Accepted);
    f.dialog->show();
    QTest::mouseClick(f.Find<QPushButton>("id2"), Qt::LeftButton);
    EXPECT_FALSE(f.dialog->isVisible());
    EXPECT_EQ(f.dialog->result(), QDialog::Rejected);
}

TEST(CPravikDlg, AboutButtonOpensTheAboutBox)
{
    DialogFixture f;
    f.dialog->show();
    QString title;
    CloseNextModal(&title);
    QTest::mouseClick(f.Find<QPushButton>("aboutButton"), Qt::LeftButton);
    EXPECT_EQ(title, "关于 Pravik");
    EXPECT_EQ(f.Find<QPushButton>("aboutButton")->text(), "关于 Pravik(&A)...");
}

TEST(CPravikDlg, ClosingTheDialogDisconnectsTheLink)
{
    DialogFixture f;
    f.link.clearCalls();
    f.dialog.reset();
    EXPECT_EQ(f.link.calls(), QStringList{"Disconnect"});
}

TEST(CAboutDlg, ShowsNameVersionAndOk)
{
    EnsureTestApplication();
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "关于 Pravik");
    auto* version = about.findChild<QLabel*>("versionLabel");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Pravik，版本 1.0");
    auto* ok = about.findChild<QPushButton*>("id1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "确定");
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
