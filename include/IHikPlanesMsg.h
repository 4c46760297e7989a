// What a host may offer a camera library beyond its message interface: the
// processed camera's pictures as the decoder leaves them (YUV 4:2:0 planes)
// instead of BGR frames. A library that finds it on its host (dynamic_cast of
// the message interface) calls GetPlanesImage in place of GetMatImage; one
// that does not know it keeps handing over BGR frames.
#pragma once

#include "VideoPlanes.h"

class __attribute__((visibility("default"))) IHikPlanesMsg {
public:
    // The library's decode thread; the planes are valid during the call only.
    virtual int GetPlanesImage(const VideoPlanes& picture) = 0;

protected:
    ~IHikPlanesMsg() = default;
};
