// Rear-camera library: one network camera per process, frames decoded to
// 8-bit BGR and handed to the host, or rendered into a host window.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include <opencv2/core/mat.hpp>

#include "IVideoWindow.h"

// Implemented by the host. GetMatImage arrives on the decode thread.
class IHikBackSystemHeadMsg {
public:
    virtual ~IHikBackSystemHeadMsg() = default;
    virtual int GetMatImageQueue(std::deque<cv::Mat> frames) = 0;
    virtual int GetMatImage(cv::Mat frame) = 0;
};

class IHikBackSystemHead {
public:
    virtual ~IHikBackSystemHead() = default;
    virtual bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
                      uint32_t reconnectEnabled) = 0;
    virtual bool Cleanup() = 0;
    // Login id >= 0, or -1.
    virtual int32_t Login(std::string address, uint16_t port, std::string user,
                          std::string password) = 0;
    // Decoded play: frames reach the host. Play handle, or 0 when refused.
    virtual int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                                     int32_t linkMode, int32_t streamType) = 0;
    // Window play: frames go straight to the window. Play handle or -1.
    virtual int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                   VideoWindowHandle window) = 0;
    // An empty folder keeps the previous one; a folder ends with '/'.
    virtual void SetSaveDir(std::string folder) = 0;
    virtual void SaveFrame(cv::Mat frame) = 0;
    virtual void StartOrStopRecord() = 0;
};

extern "C" {
// Null message interface: null. Later calls return the first instance.
__attribute__((visibility("default"))) IHikBackSystemHead*
CreateIHikBackSystemHead(IHikBackSystemHeadMsg* msg);
__attribute__((visibility("default"))) void DeleteIHikBackSystemHead();
}
