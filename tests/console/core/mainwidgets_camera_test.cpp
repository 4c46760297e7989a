// The console's camera side with the real main-camera library: simulated
// cameras, GStreamer's RTSP server, refused and silent ports on 127.0.0.1,
// crawler-sim for the link.
#include "CameraErrors.h"
#include "FieldCamera.h"
#include "LinkedSim.h"
#include "NoVideoCheck.h"
#include "PictureLookup.h"
#include "PrivateLog.h"
#include "SimProcess.h"
#include "cameralogins.h"
#include "consoletestenv.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "videolabel.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using coretest::differenceFromPlaceholder;
using coretest::showsLiveVideo;
using coretest::showsNoVideo;
using coretest::waitUntil;

const std::string kReset = "cmd ResetControl";
// Small frames keep their size in either view, so a view's picture size
// tells which camera it shows.
const QSize kMainFrame(96, 54);
const QSize kBackFrame(64, 48);
const QString kMainSim = QStringLiteral("sim:main?w=96&h=54&fps=25");
const QString kBackSim = QStringLiteral("sim:back?w=64&h=48&fps=25");
// Connections to a refused camera closer than this belong to one login.
constexpr qint64 kSameLoginMs = 500;
constexpr qint64 kRetryMs = 1000;
constexpr qint64 kRetrySlackMs = 250;
constexpr int kPasses = 3;

void setCamera(const QString& section, const QString& address, int port)
{
    SetQStringFromIni(section + "ip", address);
    SetQStringFromIni(section + "port", QString::number(port));
    SetQStringFromIni(section + "name", "operator");
    SetQStringFromIni(section + "password", "secret");
}

// A camera port on 127.0.0.1 that takes connections and closes them at
// once, so every login fails; it notes when each login knocked.
class RefusingCamera {
public:
    RefusingCamera()
    {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                const qint64 now = m_clock.elapsed();
                if (m_logins.empty() || now - m_last > kSameLoginMs)
                    m_logins.push_back(now);
                m_last = now;
                socket->abort();
                socket->deleteLater();
            }
        });
    }
    int port() const { return m_server.serverPort(); }
    const std::vector<qint64>& logins() const { return m_logins; }

private:
    QTcpServer m_server;
    QElapsedTimer m_clock;
    std::vector<qint64> m_logins;
    qint64 m_last = 0;
};

// A camera port on 127.0.0.1 that takes connections and never answers, as a
// camera that hangs; it counts the connections (one per login attempt).
class SilentCamera {
public:
    SilentCamera()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        // The sockets stay open, children of the server.
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (m_server.nextPendingConnection() != nullptr)
                ++m_connections;
        });
    }
    int port() const { return m_server.serverPort(); }
    int connections() const { return m_connections; }

private:
    int m_connections = 0;
    QTcpServer m_server; // last: gone first, before what its signals touch
};

// The large view keeps the first frame's size (the main camera's 16:9): the
// back camera's 4:3 picture shows there whole between black side bars.
constexpr int kSideBar = (96 - 64 * 54 / 48) / 2;

bool hasSideBars(const QImage& picture)
{
    const int rows = picture.height() / 3; // clear of the overlay's texts
    for (int y = rows; y < 2 * rows; ++y)
        for (int x = 0; x < kSideBar - 1; ++x)
            for (int at : {x, picture.width() - 1 - x})
                if (qGray(picture.pixel(at, y)) > 16)
                    return false;
    return true;
}

bool isBlack(const QImage& picture)
{
    if (picture.isNull())
        return false;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != qRgb(0, 0, 0))
                return false;
    return true;
}

TEST(CameraLoginFromIni, ReadsEachCamerasKeysAfresh)
{
    testenv::removeConfig();
    setCamera("/lognone/", "127.0.0.5", 8000);
    setCamera("/logntwo/", "sim:back", 554);
    CameraLogin main = cameraLoginFromIni(CameraLogins::kMain);
    EXPECT_EQ(main.address, "127.0.0.5");
    EXPECT_EQ(main.port, 8000);
    EXPECT_EQ(main.user, "operator");
    EXPECT_EQ(main.password, "secret");
    EXPECT_EQ(cameraLoginFromIni(CameraLogins::kBack).address, "sim:back");

    SetQStringFromIni("/lognone/ip", "rtsp://127.0.0.1:9/x");
    SetQStringFromIni("/lognone/password", "新密码");
    main = cameraLoginFromIni(CameraLogins::kMain);
    EXPECT_EQ(main.address, "rtsp://127.0.0.1:9/x");
    EXPECT_EQ(main.password, "新密码"); // UTF-8
    for (const char* port : {"abc", "0x10", "", "65536", "-1"}) {
        SetQStringFromIni("/lognone/port", port);
        EXPECT_EQ(cameraLoginFromIni(CameraLogins::kMain).port, 0) << port;
    }
    SetQStringFromIni("/lognone/port", "65535");
    EXPECT_EQ(cameraLoginFromIni(CameraLogins::kMain).port, 65535);

    // Typed by hand with spaces: they are not part of a value unless quoted.
    testenv::writeConfigBytes(
        "[lognone]\nip = 127.0.0.6 \nport = 8001\nname= op \npassword= \" p,w \"\n");
    main = cameraLoginFromIni(CameraLogins::kMain);
    EXPECT_EQ(main.address, "127.0.0.6");
    EXPECT_EQ(main.port, 8001);
    EXPECT_EQ(main.user, "op");
    EXPECT_EQ(main.password, " p,w ");
}

class ConsoleCameras : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::removeConfig();
        ASSERT_TRUE(sim.start({"-v"}));
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", QString::number(sim.port()));
    }

    void startConsole()
    {
        console = std::make_unique<mainWidgets>();
        console->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(console.get()));
        mainView = console->findChild<VideoLabel*>("viewmain");
        backView = console->findChild<VideoLabel*>("view");
        ASSERT_NE(mainView, nullptr);
        ASSERT_NE(backView, nullptr);
    }

    const CameraLogins& cameras() const { return console->cameraLogins(); }

    // The view shows live video of that size: its picture has the size and
    // keeps changing.
    static bool showsLive(const VideoLabel* view, QSize size)
    {
        if (!waitUntil([&] { return view->picture().size() == size; }))
            return false;
        const QImage first = view->picture();
        return waitUntil([&] {
            const QImage now = view->picture();
            return now.size() == size && now != first;
        });
    }

    // The large view shows live video of the main camera (bars: the back camera).
    static bool mainViewShows(const VideoLabel* view, bool bars)
    {
        return showsLive(view, kMainFrame) &&
               waitUntil([&] { return hasSideBars(view->picture()) == bars; });
    }

    static void expectRetryRhythm(const RefusingCamera& camera, const char* name)
    {
        const auto& logins = camera.logins();
        for (size_t i = 1; i < logins.size(); ++i)
            EXPECT_GE(logins[i] - logins[i - 1], kRetryMs - kRetrySlackMs)
                << name << " login " << i << " came too soon";
    }

    simtest::SimProcess sim;
    std::unique_ptr<mainWidgets> console;
    VideoLabel* mainView = nullptr;
    VideoLabel* backView = nullptr;
};

TEST_F(ConsoleCameras, UnreachableCamerasAreTriedOnceASecondBehindThePlaceholderAndBlackSquare)
{
    RefusingCamera main;
    RefusingCamera back;
    setCamera("/lognone/", "127.0.0.1", main.port());
    setCamera("/logntwo/", "127.0.0.1", back.port());
    startConsole();
    EXPECT_TRUE(backView->isHidden());
    ASSERT_TRUE(waitUntil(
        [&] { return main.logins().size() >= kPasses && back.logins().size() >= kPasses; }));
    // The link opened meanwhile; its reset goes out from the GUI thread.
    EXPECT_TRUE(waitUntil([&] { return sim.linesStartingWith(kReset).size() >= 1; }));
    expectRetryRhythm(main, "main");
    expectRetryRhythm(back, "back");
    EXPECT_EQ(cameras().userId(0), -1);
    EXPECT_EQ(cameras().userId(1), -1);
    EXPECT_LT(differenceFromPlaceholder(mainView->picture()), 8.0);
    // The small view is black but for why its camera is not logged in, below.
    const QImage small = backView->picture();
    EXPECT_TRUE(isBlack(small.copy(0, 0, small.width(), small.height() * 7 / 10)));
    EXPECT_FALSE(isBlack(small));
}

TEST_F(ConsoleCameras, BackCameraPlaysInTheSmallViewWhileTheMainCameraIsDown)
{
    RefusingCamera main;
    setCamera("/lognone/", "127.0.0.1", main.port());
    setCamera("/logntwo/", kBackSim, 0);
    startConsole();
    console->GetOpenBackCame(true);
    EXPECT_TRUE(backView->isVisible());
    ASSERT_TRUE(waitUntil([&] { return cameras().userId(1) >= 0; }));
    EXPECT_TRUE(showsLive(backView, kBackFrame));
    // The loop goes on for the main camera, which keeps the placeholder.
    const size_t knocks = main.logins().size();
    ASSERT_TRUE(waitUntil([&] { return main.logins().size() >= knocks + 2; }));
    EXPECT_EQ(cameras().userId(0), -1);
    EXPECT_LT(differenceFromPlaceholder(mainView->picture()), 8.0);
    console->GetOpenBackCame(false);
    EXPECT_TRUE(backView->isHidden());
}

TEST_F(ConsoleCameras, SwapTwiceThenBackPutsEachCameraInTheExpectedView)
{
    setCamera("/lognone/", kMainSim, 0);
    setCamera("/logntwo/", kBackSim, 0);
    startConsole();
    console->GetOpenBackCame(true);
    ASSERT_TRUE(waitUntil([&] { return cameras().allLoggedIn(); }));
    EXPECT_TRUE(mainViewShows(mainView, false));
    EXPECT_TRUE(showsLive(backView, kBackFrame));
    for (int round = 0; round < 2; ++round) {
        console->GetChangeMainOrBackCame(true);
        EXPECT_TRUE(cameras().swapped());
        EXPECT_TRUE(mainViewShows(mainView, true)) << "round " << round;
        EXPECT_TRUE(showsLive(backView, kMainFrame))
            << "round " << round << " view " << backView->size().width() << "x"
            << backView->size().height() << " picture " << backView->picture().width() << "x"
            << backView->picture().height();
    }
    console->GetChangeMainOrBackCame(false);
    EXPECT_FALSE(cameras().swapped());
    EXPECT_TRUE(mainViewShows(mainView, false));
    EXPECT_TRUE(showsLive(backView, kBackFrame));
}

// The main camera is a field camera (FieldCamera.h).
using ConsoleRtspCameras = ConsoleCameras;

TEST_F(ConsoleRtspCameras, LostPictureIsShownAndLoggedAndReturnsSoonAfterTheCamera)
{
    RtspCamera camera(coretest::fieldCamera());
    ASSERT_TRUE(camera.start());
    coretest::setMainCamera(camera.port());
    setCamera("/logntwo/", kBackSim, 0);
    startConsole();
    const QString log = coretest::useLog();
    ASSERT_TRUE(showsLiveVideo(mainView));

    camera.kill();
    QElapsedTimer outage;
    outage.start();
    ASSERT_TRUE(waitUntil([&] { return showsNoVideo(mainView->picture()); }));
    // Generous bounds: figures come from bench/camera.
    EXPECT_LT(outage.elapsed(), 6000) << "loss shown after " << outage.elapsed() << " ms";
    waitUntil([] { return false; }, static_cast<int>(5000 - outage.elapsed()));

    ASSERT_TRUE(camera.start());
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(showsLiveVideo(mainView));
    EXPECT_LT(back.elapsed(), 9000) << "picture back after " << back.elapsed() << " ms";
    EXPECT_TRUE(waitUntil([&] {
        return coretest::logLinesWith(log, "[Moravel] camera [0] video lost") == 1 &&
               coretest::logLinesWith(log, "[Moravel] camera [0] video back after [") == 1;
    }));
}

TEST_F(ConsoleRtspCameras, WrongPasswordIsShownAndTriedAgainOnlyOnceItChanges)
{
    RtspCamera camera(coretest::fieldCamera("25", "h265"));
    ASSERT_TRUE(camera.start());
    setCamera("/lognone/", "", camera.port()); // no camera yet, while the log moves
    setCamera("/logntwo/", kBackSim, 0);
    startConsole();
    const QString log = coretest::useLog();
    SetQStringFromIni("/lognone/password", "wrong");
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    ASSERT_TRUE(waitUntil([&] { return camera.clients() >= 1; }));
    EXPECT_TRUE(waitUntil(
        [&] { return coretest::shownReason(mainView->picture()) == NET_DVR_PASSWORD_ERROR; }));
    // Several passes of the start-up loop: no second attempt with that password.
    waitUntil([] { return false; }, 5000);
    EXPECT_EQ(camera.clients(), 1);
    EXPECT_EQ(coretest::logLinesWith(log, "[Moravel] camera [0] login failed [1]"), 1);

    SetQStringFromIni("/lognone/password", "secret");
    EXPECT_TRUE(showsLiveVideo(mainView));
    EXPECT_EQ(camera.clients(), 2);
}

TEST_F(ConsoleRtspCameras, HangingCamerasHoldUpNeitherTheLinkNorTheClose)
{
    SilentCamera main;
    SilentCamera back;
    setCamera("/lognone/", "127.0.0.1", main.port());
    setCamera("/logntwo/", "127.0.0.1", back.port());
    startConsole();
    QElapsedTimer firstLogin;
    ASSERT_TRUE(waitUntil([&] { return main.connections() >= 1 && back.connections() >= 1; }));
    firstLogin.start();
    // The link opens while both logins still wait for an answer (for 3 s);
    // its reset goes out from the GUI thread.
    ASSERT_TRUE(waitUntil([&] { return sim.linesStartingWith(kReset).size() >= 1; }));
    EXPECT_LT(firstLogin.elapsed(), 2500)
        << "link opened " << firstLogin.elapsed() << " ms after the logins began";

    // Closing the console while logins hang ends them at once.
    const int connections = main.connections();
    ASSERT_TRUE(waitUntil([&] { return main.connections() > connections; }));
    QElapsedTimer close;
    close.start();
    console.reset();
    EXPECT_LT(close.elapsed(), 2000) << "closed in " << close.elapsed() << " ms";
}

class ConsoleCamerasDroppingLink : public ConsoleCameras {
protected:
    // crawler-sim closes each link a few seconds after accepting it.
    void SetUp() override
    {
        testenv::removeConfig();
        ASSERT_TRUE(sim.start({"-v", "--drop-after", "4"}));
        SetQStringFromIni("/com/ip", "127.0.0.1");
        SetQStringFromIni("/com/port", QString::number(sim.port()));
    }
};

TEST_F(ConsoleCamerasDroppingLink, LostLinkLogsBothCamerasInAgain)
{
    setCamera("/lognone/", kMainSim, 0);
    setCamera("/logntwo/", kBackSim, 0);
    startConsole();
    ASSERT_TRUE(waitUntil([&] { return cameras().allLoggedIn(); }));
    const int main = cameras().userId(0);
    const int back = cameras().userId(1);
    // The drop logs both out; the new start-up pass logs in with new ids.
    ASSERT_TRUE(waitUntil([&] { return cameras().userId(0) != main; }));
    ASSERT_TRUE(waitUntil([&] {
        return cameras().allLoggedIn() && cameras().userId(0) != main &&
               cameras().userId(1) != back;
    }));
    // The link reopened; its reset goes out from the GUI thread.
    EXPECT_TRUE(waitUntil([&] { return sim.linesStartingWith(kReset).size() >= 2; }));
    EXPECT_TRUE(showsLive(mainView, kMainFrame));
}

} // namespace
