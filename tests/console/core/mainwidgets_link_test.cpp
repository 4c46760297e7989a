// The console's link as the connection dialog shows it and changes it, with
// crawler-sim on 127.0.0.1: why it is down, and a new address leaving the old
// crawler reset.
#include "ConsoleOnSim.h"

#include <QTcpServer>

namespace {

using consoletest::Commands;
using consoletest::waitUntil;

constexpr int kTop = 3;

class ConsoleLink : public consoletest::ConsoleOnSim {};

TEST_F(ConsoleLink, TheStateSaysWhyTheLinkIsDown)
{
    SetQStringFromIni("/com/ip", "localhost");
    SetQStringFromIni("/com/port", "20108");
    console = std::make_unique<mainWidgets>();
    EXPECT_TRUE(waitUntil([&] { return console->linkProblem() == QStringLiteral("地址无效"); }));

    // A free port: nothing listens there.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    SetQStringFromIni("/com/ip", "127.0.0.1");
    SetQStringFromIni("/com/port", QString::number(port));
    EXPECT_TRUE(waitUntil([&] { return console->linkProblem() == QStringLiteral("连接被拒绝"); }));
    EXPECT_FALSE(console->linkConnected());
}

TEST_F(ConsoleLink, ANewAddressResetsTheOldCrawlerBeforeLeavingIt)
{
    startConsole();
    sliderToHalf("speedSlider");
    clickPad("drivePad", kTop);
    EXPECT_EQ(take(), (Commands{"SetKeySafe 255", "SetCarPwm 1193 1193"}));

    simtest::SimProcess next;
    ASSERT_TRUE(next.start({"-v"}));
    SetQStringFromIni("/com/port", QString::number(next.port()));
    console->applyConnectionChanges({{false, false}, true});
    // The new link's reset comes from the GUI thread, which keeps running.
    EXPECT_TRUE(waitUntil([&] { return !next.linesStartingWith(kReset).empty(); }));
    // The crawler left behind stopped, and heard nothing after.
    EXPECT_EQ(takeAfter(std::chrono::milliseconds(300)), Commands{"ResetControl"});
}

} // namespace
