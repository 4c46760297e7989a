// A main-camera library built from the camera system interface alone, as an
// integrator's library may be: no extension export. Every login fails.
#include "IHikSystemHead.h"

#include <memory>

namespace {

class PlainCamera : public IHikSystemHead {
public:
    bool Init(uint32_t, uint32_t, uint32_t, uint32_t) override { return true; }
    bool Cleanup() override { return true; }
    int32_t Login(std::string, uint16_t, std::string, std::string) override { return -1; }
    int32_t RealPlayCallback(int32_t, VideoWindowHandle, int32_t, int32_t, int32_t) override
    {
        return 0;
    }
    int32_t RealPlayWindow(int32_t, int32_t, int32_t, VideoWindowHandle) override { return -1; }
    void StopPlay(int32_t*) override {}
    void SetSaveDir(std::string) override {}
    void SaveFrame(cv::Mat) override {}
    void StartOrStopRecord() override {}
};

std::unique_ptr<PlainCamera> g_camera;

} // namespace

extern "C" IHikSystemHead* CreateIHikSystemHead(IHikSystemHeadMsg* msg)
{
    if (msg == nullptr)
        return nullptr;
    if (!g_camera)
        g_camera = std::make_unique<PlainCamera>();
    return g_camera.get();
}

extern "C" void DeleteIHikSystemHead()
{
    g_camera.reset();
}
