// The main-camera library's camera object: the rear-camera contract for two
// logins at once, with StopPlay and logins that may be retried without Init,
// and the extension: Logout of one login and the reason of a failed login.
#pragma once

#include "CameraObject.h"
#include "IHikSystemHead.h"
#include "IHikSystemHeadExt.h"

class CHikSystemImpl : public CameraObject<IHikSystemHead, IHikSystemHeadMsg>,
                       public IHikSystemHeadExt {
public:
    explicit CHikSystemImpl(IHikSystemHeadMsg* msg);

    void StopPlay(int32_t* handle) override;
    bool Logout(int32_t loginId) override;
    uint32_t GetLastError() override;
};
