// A display surface handed to a camera library: every frame the library shows
// passes the console's callback gate, like every other library callback.
#pragma once

#include "IVideoWindow.h"
#include "callbackgate.h"

class GatedVideoWindow final : public IVideoWindow {
public:
    // Both outlive this object.
    GatedVideoWindow(IVideoWindow& target, CallbackGate& gate) : m_target(target), m_gate(gate) {}

    void ShowFrame(const cv::Mat& frame) override
    {
        const CallbackGate::Scope scope(m_gate);
        if (scope)
            m_target.ShowFrame(frame);
    }
    void ShowPlanes(const VideoPlanes& planes) override
    {
        const CallbackGate::Scope scope(m_gate);
        if (scope)
            m_target.ShowPlanes(planes);
    }
    bool IsShown() const override
    {
        const CallbackGate::Scope scope(m_gate);
        return scope && m_target.IsShown();
    }
    void FrameSkipped() override
    {
        const CallbackGate::Scope scope(m_gate);
        if (scope)
            m_target.FrameSkipped();
    }

private:
    IVideoWindow& m_target;
    CallbackGate& m_gate;
};
