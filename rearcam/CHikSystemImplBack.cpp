#include "CHikSystemImplBack.h"

#include "LibraryInstance.h"

CHikSystemImplBack::CHikSystemImplBack(IHikBackSystemHeadMsg* msg)
    : CameraObject(msg, CameraCore::FailedLogin::ReleaseSdk)
{
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
