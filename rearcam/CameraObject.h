// The camera object of both camera libraries: each library interface
// operation handed to the shared core. Interface and Msg are the library's
// camera system and host message interfaces.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "CameraCore.h"
#include "IHikPlanesMsg.h"

template <typename Interface, typename Msg> class CameraObject : public Interface {
public:
    CameraObject(Msg* msg, CameraCore::FailedLogin failedLogin)
        : m_core([msg](cv::Mat frame) { return msg->GetMatImage(std::move(frame)); }, failedLogin,
                 planesSink(msg))
    {
    }

    bool Init(uint32_t connectWaitMs, uint32_t connectTries, uint32_t reconnectIntervalMs,
              uint32_t reconnectEnabled) override
    {
        return m_core.Init(connectWaitMs, connectTries, reconnectIntervalMs, reconnectEnabled);
    }
    bool Cleanup() override { return m_core.Cleanup(); }
    int32_t Login(std::string address, uint16_t port, std::string user,
                  std::string password) override
    {
        return m_core.Login(address, port, user, password);
    }
    int32_t RealPlayCallback(int32_t loginId, VideoWindowHandle window, int32_t channel,
                             int32_t linkMode, int32_t streamType) override
    {
        return m_core.RealPlayCallback(loginId, window, channel, linkMode, streamType);
    }
    int32_t RealPlayWindow(int32_t loginId, int32_t linkMode, int32_t channel,
                           VideoWindowHandle window) override
    {
        return m_core.RealPlayWindow(loginId, linkMode, channel, window);
    }
    void SetSaveDir(std::string folder) override { m_core.SetSaveDir(std::move(folder)); }
    void SaveFrame(cv::Mat frame) override { m_core.SaveFrame(frame); }
    void StartOrStopRecord() override { m_core.StartOrStopRecord(); }

protected:
    CameraCore m_core;

private:
    static CameraCore::PlanesSink planesSink(Msg* msg)
    {
        IHikPlanesMsg* planes = dynamic_cast<IHikPlanesMsg*>(msg);
        if (planes == nullptr)
            return nullptr;
        return [planes](const VideoPlanes& picture) { return planes->GetPlanesImage(picture); };
    }
};
