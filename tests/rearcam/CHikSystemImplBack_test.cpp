#include <regex>

#include <gtest/gtest.h>

#include "CameraLibraryTest.h"
#include "IHikBackSystemHead.h"
#include "LoopbackServers.h"
#include "NetcamTestSupport.h"
#include "VideoFileTestSupport.h"

using namespace std::chrono_literals;
using loopback::WaitFor;

namespace {

using camtest::kGenerous;
using camtest::kWaitMs;
constexpr auto kWaitSlack = 3s;
constexpr int kRecordedFrames = 20;

using Host = FrameHost<IHikBackSystemHeadMsg>;

class Sorvane : public CameraLibraryTest<IHikBackSystemHead, IHikBackSystemHeadMsg,
                                         CreateIHikBackSystemHead, DeleteIHikBackSystemHead> {
protected:
    // Logs in to the simulated camera and starts the decoded play.
    void PlaySim(const std::string& address)
    {
        const int32_t id = m_camera->Login(address, 0, "operator", "pw");
        ASSERT_GE(id, 0);
        ASSERT_GT(m_camera->RealPlayCallback(id, nullptr, 1, 0, 0), 0);
    }
};

} // namespace

TEST(SorvaneExports, CreateIsASingletonBoundToItsFirstHost)
{
    EXPECT_EQ(CreateIHikBackSystemHead(nullptr), nullptr);
    Host first;
    Host second;
    IHikBackSystemHead* camera = CreateIHikBackSystemHead(&first);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(CreateIHikBackSystemHead(&second), camera);
    EXPECT_EQ(CreateIHikBackSystemHead(nullptr), nullptr);
    // Frames go to the first host only.
    ASSERT_TRUE(camera->Init(kWaitMs, 1, 300, 1));
    const int32_t id = camera->Login("sim:rear?w=64&h=48", 0, "", "");
    ASSERT_GE(id, 0);
    ASSERT_GT(camera->RealPlayCallback(id, nullptr, 1, 0, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return first.frames() >= 2; }, kGenerous));
    camera->Cleanup();
    EXPECT_EQ(second.frames(), 0);
    DeleteIHikBackSystemHead();
    DeleteIHikBackSystemHead(); // nothing left to delete
}

TEST_F(Sorvane, DecodedFramesArriveAsBgrOfTheStreamSizeOnTheDecodeThread)
{
    PlaySim("sim:rear?w=320&h=240");
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 5; }, kGenerous));
    EXPECT_EQ(m_host.sizes(), (std::set<std::pair<int, int>>{{320, 240}}));
    EXPECT_EQ(m_host.types(), std::set<int>{CV_8UC3});
    const auto threads = m_host.threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
    // The simulated wall is lit and coloured, not a blank frame.
    const cv::Scalar mean = cv::mean(m_host.last());
    EXPECT_GT(mean[2], mean[0]); // warm: more red than blue
    EXPECT_GT(mean[1], 20.0);
}

TEST_F(Sorvane, PlayerPortsAreReleasedWhenPlayStops)
{
    PlaySim("sim:rear?w=64&h=48");
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 2; }, kGenerous));
    int32_t probe = -1;
    ASSERT_EQ(PlayM4_GetPort(&probe), 1);
    EXPECT_NE(probe, 0); // port 0 is the play's
    PlayM4_FreePort(probe);
    m_camera->Cleanup();
    ASSERT_EQ(PlayM4_GetPort(&probe), 1);
    EXPECT_EQ(probe, 0);
    PlayM4_FreePort(probe);
    const int frames = m_host.frames();
    std::this_thread::sleep_for(200ms); // a frame after Cleanup would land here
    EXPECT_EQ(m_host.frames(), frames);
}

TEST_F(Sorvane, RecordingGivesOnePlayableMp4NamedByStartTime)
{
    TempDir dir("sorvane");
    m_camera->SetSaveDir(dir.folder());
    m_camera->SetSaveDir("");
    PlaySim("sim:rear?w=320&h=240");
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 1; }, kGenerous));
    m_camera->StartOrStopRecord();
    for (int i = 0; i < kRecordedFrames; ++i) {
        m_camera->SaveFrame(m_host.last());
    }
    m_camera->StartOrStopRecord();
    m_camera->SaveFrame(m_host.last()); // after the stop: dropped
    const auto files = dir.files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(files[0], std::regex("[0-9]{14}\\.mp4"))) << files[0];
    EXPECT_EQ(FramesReadByOpenCv(dir.folder() + files[0]), kRecordedFrames);
}

TEST_F(Sorvane, RecordingWithoutAFrameDoesNotStart)
{
    TempDir dir("sorvane");
    m_camera->SetSaveDir(dir.folder());
    m_camera->StartOrStopRecord(); // no frame decoded yet: size unknown
    EXPECT_TRUE(dir.files().empty());
    PlaySim("sim:rear?w=64&h=48");
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 1; }, kGenerous));
    // The failed start left recording off, so this call starts one.
    m_camera->StartOrStopRecord();
    m_camera->SaveFrame(m_host.last());
    m_camera->StartOrStopRecord();
    EXPECT_EQ(dir.files().size(), 1u);
}

TEST_F(Sorvane, WindowPlayRendersIntoTheWindowNotTheHost)
{
    const int32_t id = m_camera->Login("sim:rear?w=96&h=64", 0, "", "");
    ASSERT_GE(id, 0);
    RecordingWindow window;
    ASSERT_GE(m_camera->RealPlayWindow(id, 0, 1, ToWindowHandle(&window)), 1);
    ASSERT_TRUE(WaitFor([&] { return window.frames() >= 3; }, kGenerous));
    EXPECT_EQ(window.last().size(), cv::Size(96, 64));
    EXPECT_EQ(m_host.frames(), 0);
}

TEST_F(Sorvane, FailedLoginsReturnWithinConnectWaitAndNeedANewInit)
{
    loopback::RefusingRtspServer rtsp;
    const std::string closedPort = loopback::TcpUrl(loopback::FreePort());
    struct Case {
        std::string address;
        uint16_t port;
    };
    const Case cases[] = {{"sim:bad?w=3", 0}, {closedPort, 0}, {"127.0.0.1", rtsp.port()}};
    for (const auto& c : cases) {
        ASSERT_TRUE(m_camera->Init(kWaitMs, 1, 300, 1));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(m_camera->Login(c.address, c.port, "admin", "wrong"), -1) << c.address;
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(kWaitMs) + kWaitSlack);
    }
    // The failed login released the SDK.
    EXPECT_EQ(m_camera->Login("sim:rear?w=64&h=48", 0, "", ""), -1);
    ASSERT_TRUE(m_camera->Init(kWaitMs, 1, 300, 1));
    EXPECT_GE(m_camera->Login("sim:rear?w=64&h=48", 0, "", ""), 0);
}

TEST_F(Sorvane, PasswordsNeverReachTheOutput)
{
    loopback::RefusingRtspServer rtsp;
    const std::string password = "Zq7-secret-Pw";
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_camera->Login("127.0.0.1", rtsp.port(), "admin", password), -1);
    ASSERT_TRUE(m_camera->Init(kWaitMs, 1, 300, 1));
    EXPECT_EQ(m_camera->Login("rtsp://127.0.0.1:" + std::to_string(rtsp.port()) + "/live", 0,
                              "admin", password),
              -1);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("摄像头连接失败！"), std::string::npos);
    EXPECT_EQ(out.find(password), std::string::npos);
    EXPECT_EQ(err.find(password), std::string::npos);
}

TEST_F(Sorvane, NetworkStreamResumesAfterTheServerReturns)
{
    const uint16_t port = loopback::FreePort();
    const auto server = [port] {
        return std::make_unique<loopback::FfmpegProcess>(loopback::LiveH264Server(port, 320, 240));
    };
    auto process = server();
    int32_t id = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            // A failed login releases the SDK, so each attempt starts with Init.
            m_camera->Init(kWaitMs, 1, 300, 1);
            id = m_camera->Login(loopback::TcpUrl(port), 0, "", "");
            return id >= 0;
        },
        kGenerous));
    ExceptionLog exceptions; // after the login: Login installs its own callback
    ASSERT_GT(m_camera->RealPlayCallback(id, nullptr, 1, 0, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 10; }, kGenerous));
    EXPECT_EQ(m_host.sizes(), (std::set<std::pair<int, int>>{{320, 240}}));

    process->kill();
    ASSERT_TRUE(WaitFor([&] { return exceptions.seen(EXCEPTION_PREVIEW); }, kGenerous));
    const int before = m_host.frames();
    process = server();
    EXPECT_TRUE(WaitFor([&] { return m_host.frames() >= before + 10; }, kGenerous));
    m_camera->Cleanup(); // before the exception log goes
}
