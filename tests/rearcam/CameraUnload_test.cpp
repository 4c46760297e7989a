// The camera libraries loaded only with dlopen, the way an integrator binds
// them at run time: unloading a library with a live, playing camera object
// destroys it, and no frame reaches the host afterwards.
#include <dlfcn.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "FrameHost.h"
#include "IHikBackSystemHead.h"
#include "IHikSystemHead.h"
#include "LoopbackServers.h"

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kGenerous = 20s;
constexpr auto kAfterUnload = 300ms; // several frame periods of the simulated camera
constexpr uint32_t kWaitMs = 1500;

bool Mapped(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(name) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Loads the library, plays a simulated camera into the host, unloads the
// library without deleting the camera object; twice, so the second round
// starts from a freshly loaded library.
template <typename Head, typename Msg> void PlayAndUnload(const char* path, const char* create)
{
    FrameHost<Msg> host;
    for (int round = 0; round < 2; ++round) {
        void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        using CreateFn = Head* (*)(Msg*);
        auto createFn = reinterpret_cast<CreateFn>(dlsym(library, create));
        ASSERT_NE(createFn, nullptr) << create;
        Head* camera = createFn(&host);
        ASSERT_NE(camera, nullptr);
        ASSERT_TRUE(camera->Init(kWaitMs, 1, 300, 1));
        const int32_t id = camera->Login("sim:unload?w=64&h=48", 0, "admin", "pw");
        ASSERT_GE(id, 0);
        ASSERT_GT(camera->RealPlayCallback(id, nullptr, 1, 0, 0), 0);
        const int before = host.frames();
        ASSERT_TRUE(loopback::WaitFor([&] { return host.frames() >= before + 3; }, kGenerous));

        ASSERT_EQ(dlclose(library), 0);
        const int atUnload = host.frames();
        std::this_thread::sleep_for(kAfterUnload);
        EXPECT_EQ(host.frames(), atUnload) << "a frame arrived after the unload";
        EXPECT_EQ(dlopen(path, RTLD_NOW | RTLD_NOLOAD), nullptr);
        EXPECT_FALSE(Mapped(path)) << path << " is still mapped";
    }
}

} // namespace

TEST(CameraUnload, SorvaneUnloadedWhilePlayingStopsAndLeavesNothingMapped)
{
    PlayAndUnload<IHikBackSystemHead, IHikBackSystemHeadMsg>(SORVANE_LIBRARY,
                                                             "CreateIHikBackSystemHead");
}

TEST(CameraUnload, VaskelUnloadedWhilePlayingStopsAndLeavesNothingMapped)
{
    PlayAndUnload<IHikSystemHead, IHikSystemHeadMsg>(VASKEL_LIBRARY, "CreateIHikSystemHead");
}
