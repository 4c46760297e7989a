// The rear-camera library's camera object.
#pragma once

#include "CameraCore.h"
#include "IHikBackSystemHead.h"

class CHikSystemImplBack : public IHikBackSystemHead {
public:
    explicit CHikSystemImplBack(IHikBackSystemHeadMsg* msg);
    ~CHikSystemImplBack() override;

    bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
              uint32_t reconnectEnabled) override;
    bool Cleanup() override;
    int32_t Login(std::string address, uint16_t port, std::string user,
                  std::string password) override;
    int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                             int32_t linkMode, int32_t streamType) override;
    int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                           VideoWindowHandle window) override;
    void SetSaveDir(std::string folder) override;
    void SaveFrame(cv::Mat frame) override;
    void StartOrStopRecord() override;

private:
    CameraCore m_core;
};
