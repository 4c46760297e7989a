// The console program started for real: link up within two seconds of
// start, a one-second retry rhythm while the crawler is gone, and a
// reconnection when it comes back.
#include "consoleprocess.h"
#include "crawlersim.h"
#include "xserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

constexpr int kLinkUpMs = 2000;
constexpr int kGenerousMs = 20000;
constexpr int kRetryWindowMs = 4500;
const QString kConnected = QStringLiteral("client connected");
const QString kReset = QStringLiteral("cmd ResetControl");

TEST(ConsoleEndToEnd, LinksUpRetriesEverySecondAndReconnects)
{
    XServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "no X display and no Xvfb";
    CrawlerSim sim;
    ASSERT_TRUE(sim.start());
    const int port = sim.port();

    ConsoleProcess console(x.display(), port);
    QElapsedTimer sinceStart;
    sinceStart.start();
    console.start();
    ASSERT_TRUE(sim.waitFor([&] { return sim.count(kReset) >= 1; }, kGenerousMs));
    EXPECT_LE(sinceStart.elapsed(), kLinkUpMs) << "link came up late";
    const QStringList& seen = sim.lines();
    const int connected = static_cast<int>(seen.indexOf(kConnected));
    const int reset = static_cast<int>(seen.indexOf(kReset));
    ASSERT_GE(connected, 0);
    EXPECT_LT(connected, reset) << "reset before the connection";
    EXPECT_EQ(sim.count(kConnected), 1);

    // The crawler goes away: the console knocks once a second.
    sim.kill();
    QTcpServer knocks;
    ASSERT_TRUE(knocks.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    int attempts = 0;
    QObject::connect(&knocks, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = knocks.nextPendingConnection()) {
            ++attempts;
            socket->abort();
            socket->deleteLater();
        }
    });
    ASSERT_TRUE(waitUntil([&] { return attempts >= 1; }, kGenerousMs));
    QElapsedTimer window;
    window.start();
    const int first = attempts;
    waitUntil([&] { return window.elapsed() >= kRetryWindowMs; }, kGenerousMs);
    const int inWindow = attempts - first;
    EXPECT_GE(inWindow, 3) << "retries slower than once a second";
    EXPECT_LE(inWindow, 6) << "retries faster than once a second";
    knocks.close();
    EXPECT_TRUE(console.running());

    // It comes back on the same port: the console reconnects and resets.
    CrawlerSim back({"-v"}, port);
    ASSERT_TRUE(back.start());
    EXPECT_TRUE(back.waitFor([&] { return back.count(kReset) >= 1; }, kGenerousMs));
    EXPECT_EQ(back.count(kConnected), 1);
    EXPECT_TRUE(console.running());
}

} // namespace

// The simulator's output and the knock counter need a Qt event loop.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
