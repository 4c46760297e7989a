// What a main-camera library may offer beyond IHikSystemHead: logging one
// camera out while the other plays on, and why a login failed. A library
// built to IHikSystemHead alone lacks it, so a host looks the export up
// (dlsym) instead of linking to it, and does without when it is missing.
#pragma once

#include <cstdint>

#include "CameraErrors.h"
#include "IHikSystemHead.h"

class IHikSystemHeadExt {
public:
    // Ends one login; its plays are stopped first. False for an unknown id.
    virtual bool Logout(int32_t loginId) = 0;
    // Why the calling thread's last Login failed: an SDK error code of
    // CameraErrors.h (NET_DVR_NOERROR after a success).
    virtual uint32_t GetLastError() = 0;

protected:
    // Part of the camera system object: it lives and dies with it.
    ~IHikSystemHeadExt() = default;
};

// The name of the optional export.
constexpr char kHikSystemHeadExtEntry[] = "GetIHikSystemHeadExt";
using GetIHikSystemHeadExtFn = IHikSystemHeadExt* (*)(IHikSystemHead* system);

extern "C" {
// The extension of system, a camera system of this library; null for any
// other pointer.
__attribute__((visibility("default"))) IHikSystemHeadExt*
GetIHikSystemHeadExt(IHikSystemHead* system);
}
