// Pravik against the real link library and crawler-sim on 127.0.0.1.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <memory>

#include "CrawlerSimProcess.h"
#include "ExpectedCommands.h"
#include "PravikDlg.h"
#include "TestSupport.h"

namespace {

constexpr int kWaitMs = 15000;

// The simulator, the dialog connected to it, and the index of the first unread line.
struct SimFixture {
    std::unique_ptr<CrawlerSimProcess> sim;
    std::unique_ptr<CPravikDlg> dialog;
    int next = 0;

    explicit SimFixture(const QStringList& simArguments = {})
    {
        EnsureTestApplication();
        sim = std::make_unique<CrawlerSimProcess>(simArguments);
        if (sim->port() == 0) {
            ADD_FAILURE() << "crawler-sim did not report its port";
            return;
        }
        dialog = std::make_unique<CPravikDlg>(&CreateISocketSystemHead, QStringLiteral("127.0.0.1"),
                                              sim->port());
        dialog->show();
    }

    QLineEdit* Field(int id) const
    {
        return dialog->findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
    }

    void Click(int id) const
    {
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("id%1").arg(id));
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
};

} // namespace

TEST(PravikWithCrawlerSim, StartResetsAndEveryButtonSendsItsValue)
{
    SimFixture f;
    ASSERT_TRUE(f.dialog);
    ASSERT_GE(f.sim->WaitForLine("client connected", 0, kWaitMs), 0);
    EXPECT_EQ(f.sim->NextCommand(f.next, kWaitMs), "cmd ResetControl");

    for (const auto& [id, expected] : ExpectedCommands()) {
        f.Click(id);
        EXPECT_EQ(f.sim->NextCommand(f.next, kWaitMs), QStringLiteral("cmd %1").arg(expected))
            << "button id" << id;
    }
}

TEST(PravikWithCrawlerSim, StatusRecordsReachTheFieldsConverted)
{
    SimFixture f({"--set", "Car_Pressure=999", "--set", "Wir_length=2500", "--set", "PWM[0]=2000",
                  "--set", "PWM[1]=2000", "--set", "ARM_distence=3", "--set", "Angle_Roll=3.5",
                  "--set", "NRF_Status=7"});
    ASSERT_TRUE(f.dialog);
    EXPECT_EQ(WaitForText(f.Field(1000), "999", kWaitMs), "999");
    EXPECT_EQ(WaitForText(f.Field(1027), "25", kWaitMs), "25");
    EXPECT_EQ(f.Field(1024)->text(), "45");
    EXPECT_EQ(f.Field(1025)->text(), "84");
    EXPECT_EQ(f.Field(1026)->text(), "1.6");
    EXPECT_EQ(f.Field(1012)->text(), "3.5");
    EXPECT_EQ(f.Field(1048)->text(), "7");
}

TEST(PravikWithCrawlerSim, EchoFieldsShowWhatTheCrawlerReports)
{
    SimFixture f;
    ASSERT_TRUE(f.dialog);
    ASSERT_GE(f.sim->WaitForLine("client connected", 0, kWaitMs), 0);
    // Pairs: button id, echo field id, the value the crawler reports back.
    const QList<std::tuple<int, int, QString>> steps = {
        {1059, 1041, "255"},  {1058, 1041, "0"},    {1043, 1029, "255"},
        {1081, 1031, "2000"}, {1044, 1031, "500"},  {1049, 1033, "1000"},
        {1075, 1037, "200"},  {1085, 1039, "1000"}, {1066, 1030, "4"},
    };
    for (const auto& [button, field, reported] : steps) {
        f.Click(button);
        EXPECT_EQ(WaitForText(f.Field(field), reported, kWaitMs), reported)
            << "button id" << button;
    }
}

TEST(PravikWithCrawlerSim, ConnectButtonMovesToAnotherCrawler)
{
    SimFixture f;
    ASSERT_TRUE(f.dialog);
    ASSERT_GE(f.sim->WaitForLine("client connected", 0, kWaitMs), 0);
    CrawlerSimProcess second({"--set", "Car_Pressure=4242"});
    ASSERT_NE(second.port(), 0);

    f.dialog->findChild<QLineEdit*>("hostEdit")->setText("127.0.0.1");
    f.dialog->findChild<QSpinBox*>("portEdit")->setValue(second.port());
    QTest::mouseClick(f.dialog->findChild<QPushButton*>("connectButton"), Qt::LeftButton);

    EXPECT_GE(f.sim->WaitForLine("client disconnected", 0, kWaitMs), 0);
    int next = 0;
    ASSERT_GE(second.WaitForLine("client connected", 0, kWaitMs), 0);
    EXPECT_EQ(second.NextCommand(next, kWaitMs), "cmd ResetControl");
    EXPECT_EQ(WaitForText(f.Field(1000), "4242", kWaitMs), "4242");
    f.Click(1090);
    EXPECT_EQ(second.NextCommand(next, kWaitMs), "cmd SetPhoCenter 0");
}
