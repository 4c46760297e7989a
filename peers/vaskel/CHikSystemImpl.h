// The main-camera library's camera object: the rear-camera contract for two
// logins at once, with StopPlay and logins that may be retried without Init.
#pragma once

#include "CameraCore.h"
#include "IHikSystemHead.h"

class CHikSystemImpl : public IHikSystemHead {
public:
    explicit CHikSystemImpl(IHikSystemHeadMsg* msg);
    ~CHikSystemImpl() override;

    bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
              uint32_t reconnectEnabled) override;
    bool Cleanup() override;
    int32_t Login(std::string address, uint16_t port, std::string user,
                  std::string password) override;
    int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                             int32_t linkMode, int32_t streamType) override;
    int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                           VideoWindowHandle window) override;
    void StopPlay(int32_t* handle) override;
    void SetSaveDir(std::string folder) override;
    void SaveFrame(cv::Mat frame) override;
    void StartOrStopRecord() override;

private:
    CameraCore m_core;
};
