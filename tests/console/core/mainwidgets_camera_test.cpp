// The console's camera side with the real main-camera library: simulated
// cameras and refused ports on 127.0.0.1, crawler-sim for the link.
#include "LinkedSim.h"
#include "PictureLookup.h"
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

using coretest::waitUntil;

constexpr std::chrono::milliseconds kLinkTimeout(20000);
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

// Mean difference per channel between the picture and the placeholder file
// scaled to the picture's size.
double differenceFromPlaceholder(const QImage& picture)
{
    const QImage expected =
        QImage(PictureLookup::path("video.png"))
            .convertToFormat(QImage::Format_RGB888)
            .scaled(picture.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (picture.isNull() || expected.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb a = picture.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
        }
    return sum / (3.0 * picture.width() * picture.height());
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
    EXPECT_TRUE(sim.waitForPrefixCount(kReset, 1, kLinkTimeout)); // the link opened meanwhile
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
    EXPECT_TRUE(showsLive(mainView, kMainFrame));
    EXPECT_TRUE(showsLive(backView, kBackFrame));
    for (int round = 0; round < 2; ++round) {
        console->GetChangeMainOrBackCame(true);
        EXPECT_TRUE(cameras().swapped());
        EXPECT_TRUE(showsLive(mainView, kBackFrame)) << "round " << round;
        EXPECT_TRUE(showsLive(backView, kMainFrame))
            << "round " << round << " view " << backView->size().width() << "x"
            << backView->size().height() << " picture " << backView->picture().width() << "x"
            << backView->picture().height();
    }
    console->GetChangeMainOrBackCame(false);
    EXPECT_FALSE(cameras().swapped());
    EXPECT_TRUE(showsLive(mainView, kMainFrame));
    EXPECT_TRUE(showsLive(backView, kBackFrame));
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
    EXPECT_TRUE(sim.waitForPrefixCount(kReset, 2, kLinkTimeout)); // the link reopened
    EXPECT_TRUE(showsLive(mainView, kMainFrame));
}

} // namespace
