#include "CHikSystemImplBack.h"

#include "LibraryInstance.h"

CHikSystemImplBack::CHikSystemImplBack(IHikBackSystemHeadMsg* msg)
    : m_core([msg](cv::Mat frame) { return msg->GetMatImage(std::move(frame)); },
             CameraCore::FailedLogin::ReleaseSdk)
{
}

CHikSystemImplBack::~CHikSystemImplBack() = default;

bool CHikSystemImplBack::Init(uint32_t connectWaitMs, uint32_t connectTries,
                              uint32_t reconnectIntervalMs, uint32_t reconnectEnabled)
{
    return m_core.Init(connectWaitMs, connectTries, reconnectIntervalMs, reconnectEnabled);
}

bool CHikSystemImplBack::Cleanup()
{
    return m_core.Cleanup();
}

int32_t CHikSystemImplBack::Login(std::string address, uint16_t port, std::string user,
                                  std::string password)
{
    return m_core.Login(address, port, user, password);
}

int32_t CHikSystemImplBack::RealPlayCallback(int32_t loginId, VideoWindowHandle window,
                                             int32_t channel, int32_t linkMode, int32_t streamType)
{
    return m_core.RealPlayCallback(loginId, window, channel, linkMode, streamType);
}

int32_t CHikSystemImplBack::RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                           VideoWindowHandle window)
{
    return m_core.RealPlayWindow(loginId, linkMode, channel, window);
}

void CHikSystemImplBack::SetSaveDir(std::string folder)
{
    m_core.SetSaveDir(std::move(folder));
}

void CHikSystemImplBack::SaveFrame(cv::Mat frame)
{
    m_core.SaveFrame(frame);
}

void CHikSystemImplBack::StartOrStopRecord()
{
    m_core.StartOrStopRecord();
}

using Instance = LibraryInstance<CHikSystemImplBack, IHikBackSystemHeadMsg>;

extern "C" IHikBackSystemHead* CreateIHikBackSystemHead(IHikBackSystemHeadMsg* msg)
{
    return Instance::Create(msg);
}

extern "C" void DeleteIHikBackSystemHead()
{
    Instance::Delete();
}
