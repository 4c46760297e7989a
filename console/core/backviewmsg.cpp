#include "backviewmsg.h"

#include "IVideoWindow.h"

BackViewMsg::BackViewMsg(IVideoWindow* backView) : m_pBackView(backView)
{
}

int BackViewMsg::GetMatImageQueue(std::deque<cv::Mat>)
{
    return 0;
}

int BackViewMsg::GetMatImage(cv::Mat frame)
{
    // The view converts BGR into its own RGB picture.
    m_pBackView->ShowFrame(frame);
    return 0;
}
