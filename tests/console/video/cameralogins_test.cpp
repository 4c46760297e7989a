// The two camera logins against a scripted camera system: the retry pass,
// the pictures of failed logins, the plays in their roles, the swap, the
// teardown on a lost link and the shutdown.
#include "cameralogins.h"

#include <opencv2/core.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Pointee;
using ::testing::Return;

class MockCameraSystem : public IHikSystemHead {
public:
    MOCK_METHOD(bool, Init, (uint32_t, uint32_t, uint32_t, uint32_t), (override));
    MOCK_METHOD(bool, Cleanup, (), (override));
    MOCK_METHOD(int32_t, Login, (std::string, uint16_t, std::string, std::string), (override));
    MOCK_METHOD(int32_t, RealPlayCallback, (int32_t, VideoWindowHandle, int32_t, int32_t, int32_t),
                (override));
    MOCK_METHOD(int32_t, RealPlayWindow, (int32_t, int32_t, int32_t, VideoWindowHandle),
                (override));
    MOCK_METHOD(void, StopPlay, (int32_t*), (override));
    MOCK_METHOD(void, SetSaveDir, (std::string), (override));
    MOCK_METHOD(void, SaveFrame, (cv::Mat), (override));
    MOCK_METHOD(void, StartOrStopRecord, (), (override));
    MOCK_METHOD(uint32_t, GetLastError, (), (override));
};

// Keeps every frame shown, as the camera threads would hand them over.
class FrameLog : public IVideoWindow {
public:
    void ShowFrame(const cv::Mat& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(frame.clone());
    }
    std::vector<cv::Mat> frames() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<cv::Mat> m_frames;
};

bool samePixels(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

bool isBlackSquare(const cv::Mat& frame)
{
    return frame.rows == 400 && frame.cols == 400 && frame.type() == CV_8UC3 &&
           cv::countNonZero(frame.reshape(1)) == 0;
}

CameraLogin loginFor(int camera, int attempt)
{
    CameraLogin login;
    login.address = (camera == 0 ? "cam-main-" : "cam-back-") + std::to_string(attempt);
    login.port = static_cast<uint16_t>(8000 + camera);
    login.user = "operator";
    login.password = "pw" + std::to_string(camera);
    return login;
}

class CameraLoginsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ON_CALL(system, Login(_, _, _, _)).WillByDefault(Return(-1));
        ON_CALL(system, RealPlayCallback(_, _, _, _, _)).WillByDefault(Return(0));
        ON_CALL(system, RealPlayWindow(_, _, _, _)).WillByDefault(Return(-1));
    }

    // Logs both cameras in: main gets id 10 and play 101, back id 11 and play 202.
    void logBothIn()
    {
        EXPECT_CALL(system, Login(_, _, _, _)).WillOnce(Return(10)).WillOnce(Return(11));
        EXPECT_CALL(system, RealPlayCallback(10, nullptr, 1, 0, 0)).WillOnce(Return(101));
        EXPECT_CALL(system, RealPlayWindow(11, 0, 1, ToWindowHandle(&backView)))
            .WillOnce(Return(202));
        logins.loginMissing();
        ASSERT_TRUE(logins.allLoggedIn());
        ::testing::Mock::VerifyAndClearExpectations(&system);
    }

    NiceMock<MockCameraSystem> system;
    int releases = 0;
    std::vector<int> attempts{0, 0};
    FrameLog mainView;
    FrameLog backView;
    cv::Mat placeholder = cv::Mat(30, 40, CV_8UC3, cv::Scalar(10, 20, 30));
    CameraLogins logins{&system,
                        [this] { ++releases; },
                        [this](int camera) { return loginFor(camera, ++attempts.at(camera)); },
                        &mainView,
                        &backView,
                        placeholder};
};

TEST_F(CameraLoginsTest, NoVideoShowsBlackSquaresThenThePlaceholder)
{
    logins.showNoVideo();
    ASSERT_EQ(backView.frames().size(), 1u);
    EXPECT_TRUE(isBlackSquare(backView.frames()[0]));
    ASSERT_EQ(mainView.frames().size(), 2u);
    EXPECT_TRUE(isBlackSquare(mainView.frames()[0]));
    EXPECT_TRUE(samePixels(mainView.frames()[1], placeholder));
}

TEST_F(CameraLoginsTest, UnreachableCamerasAreTriedOncePerPassWithFreshKeys)
{
    EXPECT_CALL(system, Init(3000u, 3u, 30000u, 1u)).Times(1).WillOnce(Return(true));
    {
        InSequence order;
        for (int pass = 1; pass <= 3; ++pass) {
            const std::string n = std::to_string(pass);
            EXPECT_CALL(system, Login("cam-main-" + n, 8000, "operator", "pw0"));
            EXPECT_CALL(system, Login("cam-back-" + n, 8001, "operator", "pw1"));
        }
    }
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    EXPECT_CALL(system, RealPlayWindow(_, _, _, _)).Times(0);
    for (int pass = 0; pass < 3; ++pass)
        logins.loginMissing();

    EXPECT_FALSE(logins.allLoggedIn());
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.userId(1), -1);
    // Each failure shows its picture again.
    ASSERT_EQ(mainView.frames().size(), 3u);
    ASSERT_EQ(backView.frames().size(), 3u);
    for (const cv::Mat& frame : mainView.frames())
        EXPECT_TRUE(samePixels(frame, placeholder));
    for (const cv::Mat& frame : backView.frames())
        EXPECT_TRUE(isBlackSquare(frame));
}

TEST_F(CameraLoginsTest, MissingPlaceholderLeavesTheMainViewBlack)
{
    CameraLogins bare(
        &system, [] {}, [](int camera) { return loginFor(camera, 0); }, &mainView, &backView,
        cv::Mat());
    bare.loginMissing();
    ASSERT_EQ(mainView.frames().size(), 1u);
    EXPECT_TRUE(isBlackSquare(mainView.frames()[0]));
}

TEST_F(CameraLoginsTest, LoggedInCamerasPlayInTheirRolesAndAreNotTriedAgain)
{
    logBothIn();
    EXPECT_EQ(logins.userId(0), 10);
    EXPECT_EQ(logins.userId(1), 11);
    EXPECT_EQ(logins.playHandle(0), 101);
    EXPECT_EQ(logins.playHandle(1), 202);
    EXPECT_TRUE(mainView.frames().empty());
    EXPECT_CALL(system, Init(_, _, _, _)).Times(0);
    EXPECT_CALL(system, Login(_, _, _, _)).Times(0);
    logins.loginMissing();
}

TEST_F(CameraLoginsTest, BackCameraPlaysWhileTheMainCameraIsStillDown)
{
    EXPECT_CALL(system, Login(::testing::StartsWith("cam-main"), _, _, _))
        .Times(3)
        .WillRepeatedly(Return(-1));
    EXPECT_CALL(system, Login(::testing::StartsWith("cam-back"), _, _, _))
        .Times(1)
        .WillOnce(Return(4));
    EXPECT_CALL(system, RealPlayWindow(4, 0, 1, ToWindowHandle(&backView))).WillOnce(Return(7));
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    for (int pass = 0; pass < 3; ++pass)
        logins.loginMissing();
    EXPECT_EQ(logins.userId(1), 4);
    EXPECT_EQ(logins.playHandle(1), 7);
    EXPECT_FALSE(logins.allLoggedIn());
    EXPECT_EQ(mainView.frames().size(), 3u);
    EXPECT_TRUE(backView.frames().empty());
}

TEST_F(CameraLoginsTest, SwapStopsBothPlaysAndRestartsThemInTheOtherRoles)
{
    logBothIn();
    {
        InSequence order;
        for (int round = 0; round < 2; ++round) {
            EXPECT_CALL(system, StopPlay(Pointee(round == 0 ? 101 : 303)));
            EXPECT_CALL(system, StopPlay(Pointee(round == 0 ? 202 : 404)));
            EXPECT_CALL(system, RealPlayCallback(11, nullptr, 1, 0, 0))
                .WillOnce(Return(round == 0 ? 404 : 606));
            EXPECT_CALL(system, RealPlayWindow(10, 0, 1, ToWindowHandle(&backView)))
                .WillOnce(Return(round == 0 ? 303 : 505));
        }
        EXPECT_CALL(system, StopPlay(Pointee(505)));
        EXPECT_CALL(system, StopPlay(Pointee(606)));
        EXPECT_CALL(system, RealPlayCallback(10, nullptr, 1, 0, 0)).WillOnce(Return(707));
        EXPECT_CALL(system, RealPlayWindow(11, 0, 1, ToWindowHandle(&backView)))
            .WillOnce(Return(808));
    }
    // The same value twice stops and starts the plays again in the same roles.
    logins.GetChangeMainOrBackCame(true);
    EXPECT_TRUE(logins.swapped());
    logins.GetChangeMainOrBackCame(true);
    EXPECT_TRUE(logins.swapped());
    EXPECT_EQ(logins.playHandle(0), 505);
    EXPECT_EQ(logins.playHandle(1), 606);
    logins.GetChangeMainOrBackCame(false);
    EXPECT_FALSE(logins.swapped());
    EXPECT_EQ(logins.playHandle(0), 707);
    EXPECT_EQ(logins.playHandle(1), 808);
    ::testing::Mock::VerifyAndClearExpectations(&system); // before the fixture shuts down
}

TEST_F(CameraLoginsTest, SwapWithOnlyTheMainCameraPutsItIntoTheSmallView)
{
    EXPECT_CALL(system, Login(_, _, _, _)).WillOnce(Return(3)).WillOnce(Return(-1));
    EXPECT_CALL(system, RealPlayCallback(3, nullptr, 1, 0, 0)).WillOnce(Return(30));
    logins.loginMissing();
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(30)));
        EXPECT_CALL(system, StopPlay(Pointee(-1)));
        EXPECT_CALL(system, RealPlayWindow(3, 0, 1, ToWindowHandle(&backView)))
            .WillOnce(Return(31));
    }
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    logins.GetChangeMainOrBackCame(true);
    EXPECT_EQ(logins.playHandle(0), 31);
    EXPECT_EQ(logins.playHandle(1), -1); // not logged in: keeps its value
    ::testing::Mock::VerifyAndClearExpectations(&system);
}

TEST_F(CameraLoginsTest, CameraLoggingInAfterASwapStartsInItsSwappedRole)
{
    logins.GetChangeMainOrBackCame(true);
    EXPECT_CALL(system, Login(_, _, _, _)).WillOnce(Return(1)).WillOnce(Return(2));
    // Otherwise both cameras would feed the large view.
    EXPECT_CALL(system, RealPlayWindow(1, 0, 1, ToWindowHandle(&backView))).WillOnce(Return(12));
    EXPECT_CALL(system, RealPlayCallback(2, nullptr, 1, 0, 0)).WillOnce(Return(21));
    logins.loginMissing();
    EXPECT_EQ(logins.playHandle(0), 12);
    EXPECT_EQ(logins.playHandle(1), 21);
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
        EXPECT_CALL(system, Login(_, _, _, _)).WillOnce(Return(12));
        EXPECT_CALL(system, RealPlayCallback(12, nullptr, 1, 0, 0)).WillOnce(Return(1));
        EXPECT_CALL(system, Login(_, _, _, _)).WillOnce(Return(13));
        EXPECT_CALL(system, RealPlayWindow(13, 0, 1, _)).WillOnce(Return(2));
    }
    logins.loginMissing();
    EXPECT_TRUE(logins.allLoggedIn());
}

TEST_F(CameraLoginsTest, LoginFinishingAfterATeardownIsDropped)
{
    // The link thread tears down while the main camera's login is under way.
    EXPECT_CALL(system, Login(::testing::StartsWith("cam-main"), _, _, _))
        .WillOnce(Invoke([this](std::string, uint16_t, std::string, std::string) {
            logins.tearDown();
            return 5;
        }));
    EXPECT_CALL(system, Login(::testing::StartsWith("cam-back"), _, _, _)).WillOnce(Return(6));
    EXPECT_CALL(system, RealPlayCallback(5, _, _, _, _)).Times(0);
    EXPECT_CALL(system, RealPlayWindow(6, _, _, _)).WillOnce(Return(60));
    logins.loginMissing();
    EXPECT_EQ(logins.userId(0), -1);
    EXPECT_EQ(logins.userId(1), 6);
    EXPECT_TRUE(mainView.frames().empty());
}

TEST_F(CameraLoginsTest, ShutdownReleasesOnceAndLeavesTheSystemAlone)
{
    logBothIn();
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(101)));
        EXPECT_CALL(system, StopPlay(Pointee(202)));
        EXPECT_CALL(system, Cleanup());
    }
    logins.shutDown();
    EXPECT_EQ(releases, 1);
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

} // namespace
