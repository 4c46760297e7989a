// The camera logins against a scripted camera system (a mock with the
// library's extension), with login threads held at a gate and a clock the
// test moves.
#pragma once

#include "cameralogins.h"

#include "CameraErrors.h"

#include <QCoreApplication>

#include <opencv2/core.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace cameraloginstest {

using ::testing::_;
using ::testing::InSequence;
using ::testing::Invoke;
using ::testing::NiceMock;
using ::testing::Pointee;
using ::testing::Return;

// The camera system with its library's extension.
class MockCameraSystem : public IHikSystemHead, public IHikSystemHeadExt {
public:
    MOCK_METHOD(bool, Init, (uint32_t, uint32_t, uint32_t, uint32_t), (override));
    MOCK_METHOD(bool, Cleanup, (), (override));
    MOCK_METHOD(int32_t, Login, (std::string, uint16_t, std::string, std::string), (override));
    MOCK_METHOD(int32_t, RealPlayCallback, (int32_t, VideoWindowHandle, int32_t, int32_t, int32_t),
                (override));
    MOCK_METHOD(int32_t, RealPlayWindow, (int32_t, int32_t, int32_t, VideoWindowHandle),
                (override));
    MOCK_METHOD(void, StopPlay, (int32_t*), (override));
    MOCK_METHOD(bool, Logout, (int32_t), (override));
    MOCK_METHOD(void, SetSaveDir, (std::string), (override));
    MOCK_METHOD(void, SaveFrame, (cv::Mat), (override));
    MOCK_METHOD(void, StartOrStopRecord, (), (override));
    MOCK_METHOD(uint32_t, GetLastError, (), (override));
};

// The window camera's view; frames never reach it here.
class NoWindow : public IVideoWindow {
public:
    void ShowFrame(const cv::Mat&) override {}
};

// Lets a scripted login hang until the test lets it go.
class Gate {
public:
    void open()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
        m_wake.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_open = false;
};

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
    CameraLoginsTest() : CameraLoginsTest(true) {}
    explicit CameraLoginsTest(bool extension) : withExtension(extension) {}

    using Report = std::pair<int, uint32_t>;

    // The swap is a GUI-thread entry point: this thread plays the GUI thread.
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "cameralogins_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    void SetUp() override
    {
        ON_CALL(system, Login(_, _, _, _)).WillByDefault(Return(-1));
        ON_CALL(system, GetLastError()).WillByDefault(Return(NET_DVR_NETWORK_FAIL_CONNECT));
        ON_CALL(system, RealPlayCallback(_, _, _, _, _)).WillByDefault(Return(0));
        ON_CALL(system, RealPlayWindow(_, _, _, _)).WillByDefault(Return(-1));
    }

    // One pass of the start-up loop, and the logins it started.
    void pass()
    {
        logins.loginMissing();
        waitForLogins();
    }
    void waitForLogins()
    {
        while (logins.loginRunning(0) || logins.loginRunning(1))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // Logs both cameras in: main gets id 10 and play 101, back id 11 and play 202.
    void logBothIn()
    {
        EXPECT_CALL(system, Login(::testing::StartsWith("cam-main"), _, _, _)).WillOnce(Return(10));
        EXPECT_CALL(system, Login(::testing::StartsWith("cam-back"), _, _, _)).WillOnce(Return(11));
        EXPECT_CALL(system, RealPlayCallback(10, nullptr, 1, 0, 0)).WillOnce(Return(101));
        EXPECT_CALL(system, RealPlayWindow(11, 0, 1, ToWindowHandle(&windowView)))
            .WillOnce(Return(202));
        pass();
        ASSERT_TRUE(logins.allLoggedIn());
        ::testing::Mock::VerifyAndClearExpectations(&system);
        SetUp();
    }

    std::vector<Report> takeReports()
    {
        std::lock_guard<std::mutex> lock(reportMutex);
        return std::exchange(reports, {});
    }

    NiceMock<MockCameraSystem> system;
    const bool withExtension;
    int releases = 0;
    std::vector<int> attempts{0, 0};
    // The keys each pass reads; by default they change at every attempt.
    std::function<CameraLogin(int)> keys = [this](int camera) {
        return loginFor(camera, ++attempts.at(camera));
    };
    std::atomic<CameraLogins::Clock::rep> clockTicks{0};
    NoWindow windowView;
    std::mutex reportMutex;
    std::vector<Report> reports;
    CameraLogins logins{&system,
                        withExtension ? &system : nullptr,
                        [this] { ++releases; },
                        [this](int camera) { return keys(camera); },
                        &windowView,
                        [this](int camera, uint32_t error) {
                            std::lock_guard<std::mutex> lock(reportMutex);
                            reports.emplace_back(camera, error);
                        },
                        [this] {
                            return CameraLogins::Clock::time_point(
                                CameraLogins::Clock::duration(clockTicks.load()));
                        }};
};

using ::testing::StartsWith;

} // namespace cameraloginstest
