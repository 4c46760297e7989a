#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <thread>

#include "CameraLibraryTest.h"
#include "IHikPlanesMsg.h"
#include "IHikSystemHead.h"
#include "IHikSystemHeadExt.h"
#include "LoopbackServers.h"
#include "NetcamTestSupport.h"
#include "rtspcamera.h"

using namespace std::chrono_literals;
using loopback::WaitFor;

namespace {

using camtest::kGenerous;
using camtest::kWaitMs;
const std::pair<int, int> kMainSize{320, 240};
const std::pair<int, int> kBackSize{160, 120};
const char* const kMainCamera = "sim:main?w=320&h=240";
const char* const kBackCamera = "sim:back?w=160&h=120";

using Host = FrameHost<IHikSystemHeadMsg>;

class Vaskel : public CameraLibraryTest<IHikSystemHead, IHikSystemHeadMsg, CreateIHikSystemHead,
                                        DeleteIHikSystemHead> {
protected:
    // Main camera decoded to the host, back camera into the window.
    void PlayBoth()
    {
        m_main = m_camera->Login(kMainCamera, 0, "admin", "pw");
        m_back = m_camera->Login(kBackCamera, 0, "admin", "pw");
        ASSERT_GE(m_main, 0);
        ASSERT_GE(m_back, 0);
        ASSERT_NE(m_main, m_back);
        m_handle[0] = m_camera->RealPlayCallback(m_main, nullptr, 1, 0, 0);
        m_handle[1] = m_camera->RealPlayWindow(m_back, 0, 1, ToWindowHandle(&m_window));
        ASSERT_GT(m_handle[0], 0);
        ASSERT_GT(m_handle[1], 0);
    }

    std::pair<int, int> WindowSize()
    {
        const cv::Mat last = m_window.last();
        return {last.cols, last.rows};
    }

    RecordingWindow m_window;
    int32_t m_main = -1;
    int32_t m_back = -1;
    int32_t m_handle[2] = {-1, -1};
};

} // namespace

TEST(VaskelExports, CreateIsASingleton)
{
    EXPECT_EQ(CreateIHikSystemHead(nullptr), nullptr);
    Host first;
    Host second;
    IHikSystemHead* camera = CreateIHikSystemHead(&first);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(CreateIHikSystemHead(&second), camera);
    DeleteIHikSystemHead();
    IHikSystemHead* fresh = CreateIHikSystemHead(&second);
    ASSERT_NE(fresh, nullptr);
    DeleteIHikSystemHead();
}

TEST(VaskelExports, TheExtensionIsFoundByNameAndOnlyForTheLibrarysCameraSystem)
{
    // As a host finds it: by name, among the loaded libraries.
    const auto find =
        reinterpret_cast<GetIHikSystemHeadExtFn>(dlsym(RTLD_DEFAULT, kHikSystemHeadExtEntry));
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find(nullptr), nullptr);
    Host host;
    IHikSystemHead* camera = CreateIHikSystemHead(&host);
    ASSERT_NE(camera, nullptr);
    EXPECT_NE(find(camera), nullptr);
    DeleteIHikSystemHead();
    EXPECT_EQ(find(camera), nullptr);
}

// A host that also takes the decoder's planes, as the console does.
struct PlanesHost : Host, IHikPlanesMsg {
    int GetPlanesImage(const VideoPlanes& picture) override
    {
        const cv::Mat bgr = picture.toBgr();
        m_planes = m_planes + 1;
        m_width = bgr.cols;
        return 0;
    }
    std::atomic<int> m_planes{0};
    std::atomic<int> m_width{0};
};

TEST(VaskelPlanes, AHostThatTakesPlanesGetsThemInPlaceOfBgrFrames)
{
    PlanesHost host;
    IHikSystemHead* camera = CreateIHikSystemHead(&host);
    ASSERT_NE(camera, nullptr);
    ASSERT_TRUE(camera->Init(kWaitMs, 1, 300, 1));
    const int32_t login = camera->Login(kMainCamera, 0, "admin", "pw");
    ASSERT_GE(login, 0);
    ASSERT_GT(camera->RealPlayCallback(login, nullptr, 1, 0, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return host.m_planes >= 3; }, kGenerous));
    camera->Cleanup();
    DeleteIHikSystemHead();
    EXPECT_EQ(host.m_width, kMainSize.first);
    EXPECT_EQ(host.frames(), 0);
}

TEST_F(Vaskel, TwoCamerasPlayAtOnce)
{
    PlayBoth();
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 5 && m_window.frames() >= 5; }, kGenerous));
    EXPECT_EQ(m_host.sizes(), (std::set<std::pair<int, int>>{kMainSize}));
    EXPECT_EQ(WindowSize(), kBackSize);
}

TEST_F(Vaskel, SwappingRolesStopsBothPlaysAndRestartsThemReversed)
{
    PlayBoth();
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 2 && m_window.frames() >= 2; }, kGenerous));
    const int32_t before[2] = {m_handle[0], m_handle[1]};
    m_camera->StopPlay(&m_handle[0]);
    m_camera->StopPlay(&m_handle[1]);
    EXPECT_EQ(m_handle[0], before[0]); // the handle value is left as it is
    EXPECT_EQ(m_handle[1], before[1]);
    const int hostFrames = m_host.frames();
    const int windowFrames = m_window.frames();
    std::this_thread::sleep_for(200ms); // a frame after the stops would land here
    EXPECT_EQ(m_host.frames(), hostFrames);
    EXPECT_EQ(m_window.frames(), windowFrames);

    m_host.reset();
    m_handle[1] = m_camera->RealPlayCallback(m_back, nullptr, 1, 0, 0);
    m_handle[0] = m_camera->RealPlayWindow(m_main, 0, 1, ToWindowHandle(&m_window));
    ASSERT_GT(m_handle[0], 0);
    ASSERT_GT(m_handle[1], 0);
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 3; }, kGenerous));
    ASSERT_TRUE(WaitFor([&] { return WindowSize() == kMainSize; }, kGenerous));
    EXPECT_EQ(m_host.sizes(), (std::set<std::pair<int, int>>{kBackSize}));
}

TEST_F(Vaskel, FailedLoginIsRetriedWithoutInitAndLeavesTheOtherCameraPlaying)
{
    m_main = m_camera->Login(kMainCamera, 0, "", "");
    ASSERT_GE(m_main, 0);
    m_handle[0] = m_camera->RealPlayCallback(m_main, nullptr, 1, 0, 0);
    ASSERT_GT(m_handle[0], 0);
    EXPECT_EQ(m_camera->Login(loopback::TcpUrl(loopback::FreePort()), 0, "", ""), -1);
    const int frames = m_host.frames();
    EXPECT_TRUE(WaitFor([&] { return m_host.frames() >= frames + 3; }, kGenerous));
    EXPECT_GE(m_camera->Login(kBackCamera, 0, "", ""), 0);
}

TEST_F(Vaskel, LogoutEndsOneLoginWhileTheOtherCameraPlaysOn)
{
    PlayBoth();
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 2 && m_window.frames() >= 2; }, kGenerous));
    m_camera->StopPlay(&m_handle[0]);
    IHikSystemHeadExt* extension = GetIHikSystemHeadExt(m_camera);
    ASSERT_NE(extension, nullptr);
    EXPECT_TRUE(extension->Logout(m_main));
    EXPECT_FALSE(extension->Logout(m_main));
    EXPECT_FALSE(extension->Logout(4242));
    EXPECT_EQ(m_camera->RealPlayWindow(m_main, 0, 1, ToWindowHandle(&m_window)), -1);
    const int frames = m_window.frames();
    EXPECT_TRUE(WaitFor([&] { return m_window.frames() >= frames + 3; }, kGenerous));
    // The same camera logs in again without a new Init.
    EXPECT_GE(m_camera->Login(kMainCamera, 0, "admin", "pw"), 0);
}

TEST_F(Vaskel, StopPlayIgnoresMissingAndUnknownHandles)
{
    m_camera->StopPlay(nullptr);
    int32_t none = -1;
    m_camera->StopPlay(&none);
    int32_t unknown = 4242;
    m_camera->StopPlay(&unknown);
    PlayBoth();
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 2; }, kGenerous));
    m_camera->StopPlay(&unknown);
    const int frames = m_host.frames();
    EXPECT_TRUE(WaitFor([&] { return m_host.frames() >= frames + 2; }, kGenerous));
}

TEST_F(Vaskel, CleanupEndsBothPlaysAndANewInitLogsInAgain)
{
    PlayBoth();
    ASSERT_TRUE(WaitFor([&] { return m_host.frames() >= 2 && m_window.frames() >= 2; }, kGenerous));
    EXPECT_TRUE(m_camera->Cleanup());
    const int hostFrames = m_host.frames();
    const int windowFrames = m_window.frames();
    EXPECT_EQ(m_camera->Login(kMainCamera, 0, "", ""), -1); // SDK released
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(m_host.frames(), hostFrames);
    EXPECT_EQ(m_window.frames(), windowFrames);
    ASSERT_TRUE(m_camera->Init(kWaitMs, 1, 300, 1));
    PlayBoth();
    EXPECT_TRUE(WaitFor([&] { return m_host.frames() >= hostFrames + 2; }, kGenerous));
}

TEST_F(Vaskel, FailedLoginGivesTheSdksReasonToItsOwnThread)
{
    RtspCamera::Options options;
    options.user = "admin";
    options.password = "right";
    RtspCamera camera(options);
    ASSERT_TRUE(camera.start());
    IHikSystemHeadExt* extension = GetIHikSystemHeadExt(m_camera);
    ASSERT_NE(extension, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(m_camera->Login("127.0.0.1", camera.port(), "admin", "wrong"), -1);
    const std::string debug = testing::internal::GetCapturedStderr();
    EXPECT_NE(debug.find("摄像头连接失败！err [1] user name or password refused"),
              std::string::npos)
        << debug;
    EXPECT_EQ(extension->GetLastError(), NET_DVR_PASSWORD_ERROR);
    // A login on another thread has its own answer.
    uint32_t other = NET_DVR_PASSWORD_ERROR;
    std::thread([&] {
        m_main = m_camera->Login("127.0.0.1", camera.port(), "admin", "right");
        other = extension->GetLastError();
    }).join();
    EXPECT_GE(m_main, 0);
    EXPECT_EQ(other, NET_DVR_NOERROR);
    EXPECT_EQ(extension->GetLastError(), NET_DVR_PASSWORD_ERROR);
    EXPECT_EQ(m_camera->Login(loopback::TcpUrl(loopback::FreePort()), 0, "", ""), -1);
    EXPECT_EQ(extension->GetLastError(), NET_DVR_NETWORK_FAIL_CONNECT);
}
