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

int BackViewMsg::GetMatImage(cv::Mat frame)
{
    const CallbackGate::Scope scope(m_gate);
    if (!scope)
        return 0;
    // The view converts BGR into its own RGB picture, unless switched off.
    if (m_pBackView->IsShown())
        m_pBackView->ShowFrame(frame);
    return 0;
}

int BackViewMsg::GetPlanesImage(const VideoPlanes& picture)
{
    const CallbackGate::Scope scope(m_gate);
    if (!scope)
        return 0;
    if (m_pBackView->IsShown())
        m_pBackView->ShowPlanes(picture);
    return 0;
}
