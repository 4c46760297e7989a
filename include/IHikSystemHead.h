// Main-camera library: the rear-camera contract for two logins at once,
// with StopPlay, logins that may be retried without a new Init, the reason
// of a failed login, and Logout of one camera while the other plays on.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include <opencv2/core/mat.hpp>

#include "CameraErrors.h"
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
    virtual int32_t Login(std::string address, uint16_t port, std::string user,
                          std::string password) = 0;
    virtual int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                                     int32_t linkMode, int32_t streamType) = 0;
    virtual int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                                   VideoWindowHandle window) = 0;
    // Stops the play *handle names; the handle value is left as it is.
    virtual void StopPlay(int32_t* handle) = 0;
    // Ends one login; its plays are stopped first. False for an unknown id.
    virtual bool Logout(int32_t loginId) = 0;
    virtual void SetSaveDir(std::string folder) = 0;
    virtual void SaveFrame(cv::Mat frame) = 0;
    virtual void StartOrStopRecord() = 0;
    // Why the calling thread's last Login failed: an SDK error code of
    // CameraErrors.h (NET_DVR_NOERROR after a success).
    virtual uint32_t GetLastError() = 0;
};

extern "C" {
__attribute__((visibility("default"))) IHikSystemHead* CreateIHikSystemHead(IHikSystemHeadMsg* msg);
__attribute__((visibility("default"))) void DeleteIHikSystemHead();
}
