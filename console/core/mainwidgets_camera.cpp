// The console's camera side: the two video views, the camera system and
// its logins (CameraLogins), what the views show without a picture
// (VideoSignals), the role swap and the small view's switch.
#include "mainwidgets.h"

#include "PictureLookup.h"
#include "backviewmsg.h"
#include "cameralogins.h"
#include "camerasystemext.h"
#include "framepath.h"
#include "gatedvideowindow.h"
#include "threadcheck.h"
#include "videolabel.h"
#include "videosignals.h"

#include <QDebug>
#include <QGridLayout>
#include <QImage>

#include <opencv2/imgproc.hpp>

void mainWidgets::buildVideoViews()
{
    m_pViewMain = new VideoLabel(this, QStringLiteral("viewmain"));
    m_pView = new VideoLabel(this, QStringLiteral("view"));
    m_pBackViewMsg = std::make_unique<BackViewMsg>(m_pView, m_callbacks);
}

QLayout* mainWidgets::videoViewsLayout()
{
    // Picture in picture: the small view covers the main view's lower right tenth.
    auto* views = new QGridLayout;
    views->addWidget(m_pViewMain, 0, 0, 10, 10);
    views->addWidget(m_pView, 7, 7, 3, 3);
    return views;
}

namespace {

// "video.png" as a BGR frame; empty when it cannot be read.
cv::Mat placeholderPicture()
{
    QImage rgb(PictureLookup::path(QStringLiteral("video.png")));
    if (rgb.isNull())
        return {};
    rgb = rgb.convertToFormat(QImage::Format_RGB888);
    cv::Mat bgr;
    cv::cvtColor(cv::Mat(rgb.height(), rgb.width(), CV_8UC3, rgb.bits(),
                         static_cast<size_t>(rgb.bytesPerLine())),
                 bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

} // namespace

void mainWidgets::createCameraSystem()
{
    const cv::Mat placeholder = placeholderPicture();
    // The logins are made before any frame can arrive, so the swap query
    // always finds them.
    m_pSignals = std::make_unique<VideoSignals>(*m_pFramePath, *m_pView, placeholder,
                                                [this] { return m_pCameras->swapped(); });
    VideoSignals* views = m_pSignals.get();
    IHikSystemHead* const cameras = CreateIHikSystemHead(this);
    m_pWindowView = std::make_unique<GatedVideoWindow>(*m_pSignals->windowView(), m_callbacks);
    m_pCameras = std::make_unique<CameraLogins>(
        cameras, FindHikSystemHeadExt(cameras), &DeleteIHikSystemHead, &cameraLoginFromIni,
        m_pWindowView.get(),
        [views](int camera, uint32_t error) { views->loginResult(camera, error); });
}

void mainWidgets::setUpVideoViews()
{
    m_pView->hide();
    m_pSignals->showNoVideo();
}

void mainWidgets::GetChangeMainOrBackCame(bool bCheck)
{
    qDebug() << "GetChangeMainOrBackCame bCheck" << bCheck;
    m_pCameras->GetChangeMainOrBackCame(bCheck);
}

void mainWidgets::GetOpenBackCame(bool bOpen)
{
    qDebug() << "GetOpenBackCame bOpen" << bOpen;
    m_pView->setVisible(bOpen);
}

int mainWidgets::GetMatImageQueue(std::deque<cv::Mat>)
{
    return 0;
}

// Frames of the processed camera, on the camera library's decode thread.
// The frame path outlives every play: the session stops them first.
// The logins change the swap flag only while the plays are stopped, so each
// frame is cropped as its camera's role says.
template <typename Deliver> int mainWidgets::processedFrame(Deliver deliver)
{
    MORAVEL_ASSERT_NOT_GUI_THREAD();
    const CallbackGate::Scope scope(m_callbacks);
    if (!scope)
        return 0;
    m_pSignals->processedFrameArrived();
    m_pFramePath->setSwap(m_pCameras->swapped());
    return deliver(*m_pFramePath);
}

int mainWidgets::GetMatImage(cv::Mat frame)
{
    return processedFrame([&](FramePath& path) { return path.GetMatImage(std::move(frame)); });
}

// The same frames as the decoder left them, from a library that finds this
// console takes them so.
int mainWidgets::GetPlanesImage(const VideoPlanes& picture)
{
    return processedFrame([&](FramePath& path) { return path.GetPlanesImage(picture); });
}
