// The main-camera library's camera object: the rear-camera contract for two
// logins at once, with StopPlay and logins that may be retried without Init.
#pragma once

#include "CameraObject.h"
#include "IHikSystemHead.h"

class CHikSystemImpl : public CameraObject<IHikSystemHead, IHikSystemHeadMsg> {
public:
    explicit CHikSystemImpl(IHikSystemHeadMsg* msg);

    void StopPlay(int32_t* handle) override;
};
