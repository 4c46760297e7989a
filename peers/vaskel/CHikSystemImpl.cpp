#include "CHikSystemImpl.h"

#include "LibraryInstance.h"

CHikSystemImpl::CHikSystemImpl(IHikSystemHeadMsg* msg)
    : CameraObject(msg, CameraCore::FailedLogin::KeepSdk)
{
}

void CHikSystemImpl::StopPlay(int32_t* handle)
{
    m_core.StopPlay(handle);
}

bool CHikSystemImpl::Logout(int32_t loginId)
{
    return m_core.Logout(loginId);
}

uint32_t CHikSystemImpl::GetLastError()
{
    return m_core.lastLoginError();
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

extern "C" IHikSystemHeadExt* GetIHikSystemHeadExt(IHikSystemHead* system)
{
    return Instance::Find(system);
}
