// Main-camera library: the rear-camera contract for two logins at once, with
// StopPlay, and logins that may be retried without a new Init. Slot for slot
// the interface a main-camera library is built to; what a library may offer
// beyond it is in IHikSystemHeadExt.h.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include <opencv2/core/mat.hpp>

#include "IVideoWindow.h"

// Implemented by the host. GetMatImage arrives on a decode thread.
class IHikSystemHeadMsg {
public:
    virtual ~IHikSystemHeadMsg() = default;
    virtual int GetMatImageQueue(std::deque<cv::Mat> frames) = 0;
    virtual int GetMatImage(cv::Mat frame) = 0;
};

class IHikSystemHead {
public:
    virtual ~IHikSystemHead() = default;
    virtual bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
                      uint32_t reconnectEnabled) = 0;
    virtual bool Cleanup() = 0;
    // Login id >= 0, or -1.
    virtual int32_t Login(std::string address, uint16_t port, std::string user,
                          std::string password) = 0;
    virtual int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                                     int32_t linkMode, int32_t streamType) = 0;
    virtual int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                   VideoWindowHandle window) = 0;
    // Stops the play *handle names; the handle value is left as it is.
    virtual void StopPlay(int32_t* handle) = 0;
    virtual void SetSaveDir(std::string folder) = 0;
    virtual void SaveFrame(cv::Mat frame) = 0;
    virtual void StartOrStopRecord() = 0;
};

extern "C" {
__attribute__((visibility("default"))) IHikSystemHead* CreateIHikSystemHead(IHikSystemHeadMsg* msg);
__attribute__((visibility("default"))) void DeleteIHikSystemHead();
}
