#include "backviewmsg.h"

#include "IVideoWindow.h"
#include "callbackgate.h"

BackViewMsg::BackViewMsg(IVideoWindow* backView, CallbackGate& gate)
    : m_pBackView(backView), m_gate(gate)
{
}

int BackViewMsg::GetMatImageQueue(std::deque<cv::Mat>)
{
    return 0;
}

// Through the gate, and only while somebody can see the view.
template <typename Show> int BackViewMsg::show(Show show)
{
    const CallbackGate::Scope scope(m_gate);
    if (scope && m_pBackView->IsShown())
        show(*m_pBackView);
    return 0;
}

int BackViewMsg::GetMatImage(cv::Mat frame)
{
    return show([&](IVideoWindow& view) { view.ShowFrame(frame); });
}

int BackViewMsg::GetPlanesImage(const VideoPlanes& picture)
{
    return show([&](IVideoWindow& view) { view.ShowPlanes(picture); });
}
