// The rear-camera library's camera object.
#pragma once

#include "CameraObject.h"
#include "IHikBackSystemHead.h"

class CHikSystemImplBack : public CameraObject<IHikBackSystemHead, IHikBackSystemHeadMsg> {
public:
    explicit CHikSystemImplBack(IHikBackSystemHeadMsg* msg);
};
