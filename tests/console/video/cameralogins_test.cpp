// The two camera logins against a scripted camera system: the retry pass on
// login threads of their own, the failures reported with their reasons, the
// pause after a refused login, the plays in their roles, the teardown on a
// lost link and the shutdown.
#include "CameraLoginsFixture.h"

namespace {

using namespace cameraloginstest;

TEST_F(CameraLoginsTest, UnreachableCamerasAreTriedOncePerPassWithFreshKeysAndReportWhy)
{
    EXPECT_CALL(system, Init(3000u, 3u, 30000u, 1u)).Times(1).WillOnce(Return(true));
    for (int pass = 1; pass <= 3; ++pass) {
        const std::string n = std::to_string(pass);
        EXPECT_CALL(system, Login("cam-main-" + n, 8000, "operator", "pw0"));
        EXPECT_CALL(system, Login("cam-back-" + n, 8001, "operator", "pw1"));
    }
    ON_CALL(system, GetLastError()).WillByDefault(Return(NET_DVR_NETWORK_RECV_TIMEOUT));
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    EXPECT_CALL(system, RealPlayWindow(_, _, _, _)).Times(0);
    for (int i = 0; i < 3; ++i) {
        pass();
        auto told = takeReports();
        std::sort(told.begin(), told.end());
        EXPECT_EQ(told, (std::vector<Report>{{0, NET_DVR_NETWORK_RECV_TIMEOUT},
                                             {1, NET_DVR_NETWORK_RECV_TIMEOUT}}));
    }
    EXPECT_FALSE(logins.allLoggedIn());
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.userId(1), -1);
}

TEST_F(CameraLoginsTest, AHangingLoginHoldsUpNeitherThePassNorTheOtherCamera)
{
    Gate mainAnswers;
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _))
        .WillOnce(Invoke([&](std::string, uint16_t, std::string, std::string) {
            mainAnswers.wait();
            return 3;
        }));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(4));
    EXPECT_CALL(system, RealPlayWindow(4, 0, 1, ToWindowHandle(&windowView))).WillOnce(Return(40));
    logins.loginMissing(); // returns while the main camera hangs
    while (logins.userId(1) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(logins.playHandle(1), 40);
    EXPECT_TRUE(logins.loginRunning(0));
    // Further passes leave the hanging camera to its attempt.
    logins.loginMissing();
    logins.loginMissing();
    EXPECT_CALL(system, RealPlayCallback(3, nullptr, 1, 0, 0)).WillOnce(Return(30));
    mainAnswers.open();
    waitForLogins();
    EXPECT_TRUE(logins.allLoggedIn());
    EXPECT_EQ(logins.playHandle(0), 30);
}

TEST_F(CameraLoginsTest, RefusedLoginWaitsAMinuteUnlessItsKeysChange)
{
    keys = [](int camera) { return loginFor(camera, 0); };
    ON_CALL(system, GetLastError()).WillByDefault(Return(NET_DVR_PASSWORD_ERROR));
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _)).Times(2);
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).Times(2);
    pass();
    // The same keys: no attempt within the minute, however many passes.
    clockTicks = std::chrono::duration_cast<CameraLogins::Clock::duration>(
                     CameraLogins::kRefusedRetry - std::chrono::seconds(1))
                     .count();
    for (int i = 0; i < 5; ++i)
        pass();
    // A changed password is tried in the next pass.
    keys = [](int camera) {
        CameraLogin login = loginFor(camera, 0);
        if (camera == 0)
            login.password = "fixed";
        return login;
    };
    pass();
    // Once the minute is over, the unchanged camera is tried again; the
    // changed one was refused a second ago.
    clockTicks =
        std::chrono::duration_cast<CameraLogins::Clock::duration>(CameraLogins::kRefusedRetry)
            .count();
    pass();
    auto told = takeReports();
    EXPECT_EQ(told.size(), 4u);
    for (const Report& report : told)
        EXPECT_EQ(report.second, NET_DVR_PASSWORD_ERROR);
}

TEST_F(CameraLoginsTest, LoggedInCamerasPlayInTheirRolesAndAreNotTriedAgain)
{
    logBothIn();
    EXPECT_EQ(logins.userId(0), 10);
    EXPECT_EQ(logins.userId(1), 11);
    EXPECT_EQ(logins.playHandle(0), 101);
    EXPECT_EQ(logins.playHandle(1), 202);
    auto told = takeReports();
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<Report>{{0, NET_DVR_NOERROR}, {1, NET_DVR_NOERROR}}));
    EXPECT_CALL(system, Init(_, _, _, _)).Times(0);
    EXPECT_CALL(system, Login(_, _, _, _)).Times(0);
    pass();
}

TEST_F(CameraLoginsTest, BackCameraPlaysWhileTheMainCameraIsStillDown)
{
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _)).Times(3).WillRepeatedly(Return(-1));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).Times(1).WillOnce(Return(4));
    EXPECT_CALL(system, RealPlayWindow(4, 0, 1, ToWindowHandle(&windowView))).WillOnce(Return(7));
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    for (int i = 0; i < 3; ++i)
        pass();
    EXPECT_EQ(logins.userId(1), 4);
    EXPECT_EQ(logins.playHandle(1), 7);
    EXPECT_FALSE(logins.allLoggedIn());
}

TEST_F(CameraLoginsTest, ReloginLogsOnlyThatCameraOutAndTheNextPassInWithItsNewKeys)
{
    logBothIn();
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(101)));
        EXPECT_CALL(system, Logout(10)).WillOnce(Return(true));
    }
    EXPECT_CALL(system, StopPlay(Pointee(202))).Times(0);
    EXPECT_CALL(system, Logout(11)).Times(0);
    logins.relogin(0);
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.playHandle(0), -1);
    EXPECT_EQ(logins.userId(1), 11);
    EXPECT_EQ(logins.playHandle(1), 202);
    ::testing::Mock::VerifyAndClearExpectations(&system);

    EXPECT_CALL(system, Login("cam-main-2", _, _, _)).WillOnce(Return(20));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).Times(0);
    EXPECT_CALL(system, RealPlayCallback(20, nullptr, 1, 0, 0)).WillOnce(Return(120));
    pass();
    EXPECT_EQ(logins.playHandle(0), 120);
    EXPECT_TRUE(logins.allLoggedIn());
    ::testing::Mock::VerifyAndClearExpectations(&system);
}

TEST_F(CameraLoginsTest, ReloginDuringAHangingAttemptTriesTheNewKeysAtOnceAndUndoesTheOldLogin)
{
    Gate oldAnswers;
    std::atomic<bool> oldUndone{false};
    ON_CALL(system, GetLastError()).WillByDefault(Return(NET_DVR_NETWORK_FAIL_CONNECT));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(-1));
    EXPECT_CALL(system, Login("cam-main-1", _, _, _))
        .WillOnce(Invoke([&](std::string, uint16_t, std::string, std::string) {
            oldAnswers.wait();
            return 3;
        }));
    logins.loginMissing();
    while (logins.loginRunning(1))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(logins.lastError(1), NET_DVR_NETWORK_FAIL_CONNECT);
    takeReports();

    logins.relogin(0);
    logins.relogin(1);
    EXPECT_FALSE(logins.loginRunning(0));
    EXPECT_EQ(logins.lastError(1), NET_DVR_NOERROR); // no reason of the old keys
    EXPECT_CALL(system, Login("cam-main-2", _, _, _)).WillOnce(Return(5));
    EXPECT_CALL(system, RealPlayCallback(5, nullptr, 1, 0, 0)).WillOnce(Return(50));
    EXPECT_CALL(system, Login("cam-back-2", _, _, _)).WillOnce(Return(-1));
    pass();
    EXPECT_EQ(logins.userId(0), 5);

    EXPECT_CALL(system, RealPlayCallback(3, _, _, _, _)).Times(0);
    EXPECT_CALL(system, Logout(3)).WillOnce(Invoke([&](int32_t) {
        oldUndone = true;
        return true;
    }));
    oldAnswers.open();
    while (!oldUndone)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(logins.userId(0), 5);
    EXPECT_EQ(logins.playHandle(0), 50);
    auto told = takeReports(); // nothing of the old attempt
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<Report>{{0, NET_DVR_NOERROR}, {1, NET_DVR_NETWORK_FAIL_CONNECT}}));
    logins.shutDown(); // joins the old attempt as well
    ::testing::Mock::VerifyAndClearExpectations(&system);
}

TEST_F(CameraLoginsTest, TeardownLogsOutCleansUpAndTheNextPassStartsAfresh)
{
    EXPECT_CALL(system, Init(_, _, _, _)).Times(1);
    logBothIn();
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(101)));
        EXPECT_CALL(system, StopPlay(Pointee(202)));
        EXPECT_CALL(system, Cleanup());
    }
    logins.tearDown();
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.userId(1), -1);
    ::testing::Mock::VerifyAndClearExpectations(&system);

    {
        InSequence order;
        EXPECT_CALL(system, Init(3000u, 3u, 30000u, 1u));
        EXPECT_CALL(system, Login(_, _, _, _)).Times(2).WillRepeatedly(Return(-1));
    }
    pass();
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _)).WillOnce(Return(12));
    EXPECT_CALL(system, RealPlayCallback(12, nullptr, 1, 0, 0)).WillOnce(Return(1));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(13));
    EXPECT_CALL(system, RealPlayWindow(13, 0, 1, _)).WillOnce(Return(2));
    pass();
    EXPECT_TRUE(logins.allLoggedIn());
}

TEST_F(CameraLoginsTest, LoginFinishingAfterATeardownIsDropped)
{
    // The link thread tears down while the main camera's login is under way.
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _))
        .WillOnce(Invoke([this](std::string, uint16_t, std::string, std::string) {
            logins.tearDown();
            return 5;
        }));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).Times(::testing::AtMost(1));
    EXPECT_CALL(system, RealPlayCallback(5, _, _, _, _)).Times(0);
    pass();
    EXPECT_EQ(logins.userId(0), -1);
    for (const Report& report : takeReports())
        EXPECT_NE(report.first, 0) << "a dropped login reports nothing";
}

TEST_F(CameraLoginsTest, ShutdownEndsAHangingLoginThenReleasesOnce)
{
    Gate cleanedUp;
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _))
        .WillOnce(Invoke([&](std::string, uint16_t, std::string, std::string) {
            cleanedUp.wait(); // as the library's login ends when it is cleaned up
            return -1;
        }));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(11));
    EXPECT_CALL(system, RealPlayWindow(11, 0, 1, _)).WillOnce(Return(202));
    logins.loginMissing();
    while (logins.userId(1) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(-1)));
        EXPECT_CALL(system, StopPlay(Pointee(202)));
        EXPECT_CALL(system, Cleanup()).WillOnce(Invoke([&] {
            cleanedUp.open();
            return true;
        }));
    }
    logins.shutDown();
    EXPECT_EQ(releases, 1);
    EXPECT_FALSE(logins.loginRunning(0));
    ::testing::Mock::VerifyAndClearExpectations(&system);

    EXPECT_CALL(system, Init(_, _, _, _)).Times(0);
    EXPECT_CALL(system, Login(_, _, _, _)).Times(0);
    EXPECT_CALL(system, StopPlay(_)).Times(0);
    EXPECT_CALL(system, Cleanup()).Times(0);
    logins.tearDown();
    logins.GetChangeMainOrBackCame(true);
    logins.loginMissing();
    logins.shutDown();
    EXPECT_EQ(releases, 1);
    EXPECT_FALSE(logins.allLoggedIn());
}

// A library built to the camera system interface alone.
class CameraLoginsWithoutExtension : public CameraLoginsTest {
protected:
    CameraLoginsWithoutExtension() : CameraLoginsTest(false) {}
};

TEST_F(CameraLoginsWithoutExtension, FailedLoginsHaveAnUnknownReasonAndAreTriedAtEveryPass)
{
    EXPECT_CALL(system, GetLastError()).Times(0);
    EXPECT_CALL(system, Login(_, _, _, _)).Times(4).WillRepeatedly(Return(-1));
    for (int i = 0; i < 2; ++i) {
        pass();
        auto told = takeReports();
        std::sort(told.begin(), told.end());
        EXPECT_EQ(told, (std::vector<Report>{{0, kLoginErrorUnknown}, {1, kLoginErrorUnknown}}));
    }
    EXPECT_EQ(loginFailureText(kLoginErrorUnknown), QStringLiteral("未知错误"));
}

TEST_F(CameraLoginsWithoutExtension, ReloginLogsBothCamerasInAnew)
{
    logBothIn();
    EXPECT_CALL(system, Logout(_)).Times(0);
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(101)));
        EXPECT_CALL(system, StopPlay(Pointee(202)));
        EXPECT_CALL(system, Cleanup());
        EXPECT_CALL(system, Init(3000u, 3u, 30000u, 1u));
    }
    logins.relogin(0);
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.userId(1), -1);
    EXPECT_CALL(system, Login("cam-main-2", _, _, _)).WillOnce(Return(20));
    EXPECT_CALL(system, Login("cam-back-2", _, _, _)).WillOnce(Return(21));
    pass();
    EXPECT_TRUE(logins.allLoggedIn());
    ::testing::Mock::VerifyAndClearExpectations(&system);
}

} // namespace
