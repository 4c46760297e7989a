// The console's rear-camera message interface, an object of its own so that
// it never meets the main camera's frame path: each frame a rear-camera
// library delivers is shown in the small back view.
#pragma once

#include "IHikBackSystemHead.h"
#include "IHikPlanesMsg.h"

class CallbackGate;
class IVideoWindow;

class BackViewMsg : public IHikBackSystemHeadMsg, public IHikPlanesMsg {
public:
    // The back view and the gate outlive this object.
    BackViewMsg(IVideoWindow* backView, CallbackGate& gate);

    // Ignored; returns 0.
    int GetMatImageQueue(std::deque<cv::Mat> frames) override;
    // The library's decode thread. The caller's frame is left as it is; returns 0.
    int GetMatImage(cv::Mat frame) override;
    // The same, for a library that hands over the decoder's planes.
    int GetPlanesImage(const VideoPlanes& picture) override;

private:
    template <typename Show> int show(Show show);

    IVideoWindow* const m_pBackView;
    CallbackGate& m_gate;
};
