#include "CHikSystemImpl.h"

#include "LibraryInstance.h"

CHikSystemImpl::CHikSystemImpl(IHikSystemHeadMsg* msg)
    : m_core([msg](cv::Mat frame) { return msg->GetMatImage(std::move(frame)); },
             CameraCore::FailedLogin::KeepSdk)
{
}

CHikSystemImpl::~CHikSystemImpl() = default;

bool CHikSystemImpl::Init(uint32_t connectWaitMs, uint32_t connectTries,
                          uint32_t reconnectIntervalMs, uint32_t reconnectEnabled)
{
    return m_core.Init(connectWaitMs, connectTries, reconnectIntervalMs, reconnectEnabled);
}

bool CHikSystemImpl::Cleanup()
{
    return m_core.Cleanup();
}

int32_t CHikSystemImpl::Login(std::string address, uint16_t port, std::string user,
                              std::string password)
{
    return m_core.Login(address, port, user, password);
}

int32_t CHikSystemImpl::RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                                         int32_t linkMode, int32_t streamType)
{
    return m_core.RealPlayCallback(loginId, window, channel, linkMode, streamType);
}

int32_t CHikSystemImpl::RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                       VideoWindowHandle window)
{
    return m_core.RealPlayWindow(loginId, linkMode, channel, window);
}

void CHikSystemImpl::StopPlay(int32_t* handle)
{
    m_core.StopPlay(handle);
}

void CHikSystemImpl::SetSaveDir(std::string folder)
{
    m_core.SetSaveDir(std::move(folder));
}

void CHikSystemImpl::SaveFrame(cv::Mat frame)
{
    m_core.SaveFrame(frame);
}

void CHikSystemImpl::StartOrStopRecord()
{
    m_core.StartOrStopRecord();
}

using Instance = LibraryInstance<CHikSystemImpl, IHikSystemHeadMsg>;

extern "C" IHikSystemHead* CreateIHikSystemHead(IHikSystemHeadMsg* msg)
{
    return Instance::Create(msg);
}

extern "C" void DeleteIHikSystemHead()
{
    Instance::Delete();
}
