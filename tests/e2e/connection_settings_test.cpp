// Connection settings changed while the console runs, on a real X display
// with the console's real window: the title bar's settings button opens the
// dialog, a wrong camera port is corrected and the picture comes without a
// restart, and a new link port takes the console to a second crawler-sim;
// whatever was not changed keeps running. The main camera is GStreamer's
// RTSP server, everything on 127.0.0.1.
#include "ConsoleOnSim.h"
#include "FieldCamera.h"
#include "NoVideoCheck.h"
#include "connectionsettings.h"
#include "videolabel.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>

#include <cstdio>

namespace {

using consoletest::waitUntil;

// Generous: the figures come from bench/camera's connection_change_bench.
constexpr qint64 kPictureBackMs = 10000;
constexpr qint64 kLinkFollowsMs = 10000;
const std::string kLinkOpened = "cmd ResetControl";

class ConnectionSettingsFlow : public consoletest::ConsoleOnSim {
protected:
    // Clicks the title bar's settings button and runs act on the dialog,
    // which is closed afterwards.
    bool inSettings(const std::function<void(ConnectionSettings&)>& act)
    {
        return consoletest::withModal<ConnectionSettings>(
            [&] { QTest::mouseClick(widget<QPushButton>("settingButton"), Qt::LeftButton); }, act);
    }

    static void type(ConnectionSettings& dialog, const char* field, const QString& text)
    {
        auto* edit = dialog.findChild<QLineEdit*>(field);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    static QString label(ConnectionSettings& dialog, const char* name)
    {
        return dialog.findChild<QLabel*>(name)->text();
    }
    static void save(ConnectionSettings& dialog)
    {
        QTest::mouseClick(dialog.findChild<QPushButton*>("pushButtonSave"), Qt::LeftButton);
    }
};

// A free port on 127.0.0.1 that refuses connections.
int refusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

TEST_F(ConnectionSettingsFlow, CorrectedCameraPortAndNewLinkPortTakeEffectWithoutARestart)
{
    RtspCamera camera(coretest::fieldCamera());
    ASSERT_TRUE(camera.start());
    simtest::SimProcess secondCrawler;
    ASSERT_TRUE(secondCrawler.start({"-v"}));
    coretest::setMainCamera(camera.port());
    SetQStringFromIni("/lognone/port", QString::number(refusedPort()));
    SetQStringFromIni("/logntwo/ip", "sim:back?w=160&h=120&fps=25");
    startConsole();
    ASSERT_FALSE(QGuiApplication::platformName() == "offscreen") << "needs an X display";
    const CameraLogins& cameras = console->cameraLogins();
    ASSERT_TRUE(waitUntil([&] { return cameras.userId(1) >= 0; }));
    const int backId = cameras.userId(1);
    const auto* mainView = widget<VideoLabel>("viewmain");

    // The camera port, corrected in the dialog, with the live state in view.
    QElapsedTimer sinceSave;
    ASSERT_TRUE(inSettings([&](ConnectionSettings& dialog) {
        EXPECT_TRUE(waitUntil([&] {
            return label(dialog, "labelMainState") == QStringLiteral("未连接：连接被拒绝") &&
                   label(dialog, "labelBackState") == QStringLiteral("已连接") &&
                   label(dialog, "labelLinkState") == QStringLiteral("已连接");
        }));
        type(dialog, "lineEditMainPort", QString::number(camera.port()));
        save(dialog);
        sinceSave.start();
        EXPECT_TRUE(
            waitUntil([&] { return label(dialog, "labelMainState") == QStringLiteral("已连接"); }));
    }));
    ASSERT_TRUE(coretest::showsLiveVideo(mainView));
    std::printf("picture %lld ms after the save\n", static_cast<long long>(sinceSave.elapsed()));
    EXPECT_LT(sinceSave.elapsed(), kPictureBackMs);
    // The back camera and the link ran on: no new login, no reopened link.
    EXPECT_EQ(cameras.userId(1), backId);
    EXPECT_EQ(sim.linesStartingWith(kLinkOpened).size(), 1u);
    const int mainId = cameras.userId(0);

    // The link port of a second crawler: the console goes there.
    ASSERT_TRUE(inSettings([&](ConnectionSettings& dialog) {
        type(dialog, "lineEditLinkPort", QString::number(secondCrawler.port()));
        save(dialog);
        sinceSave.start();
    }));
    ASSERT_TRUE(waitUntil([&] { return !secondCrawler.linesStartingWith(kLinkOpened).empty(); }));
    std::printf("second crawler reached %lld ms after the save\n",
                static_cast<long long>(sinceSave.elapsed()));
    EXPECT_LT(sinceSave.elapsed(), kLinkFollowsMs);
    EXPECT_TRUE(waitUntil([&] { return !sim.linesStartingWith("client disconnected").empty(); }));
    EXPECT_TRUE(waitUntil([&] { return console->linkConnected(); }));
    EXPECT_EQ(cameras.userId(0), mainId);
    EXPECT_EQ(cameras.userId(1), backId);
}

} // namespace
