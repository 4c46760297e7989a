#include "videolabel.h"

#include "yuvpicture.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <exception>

VideoLabel::VideoLabel(QWidget* parent, const QString& windowName) : QWidget(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setObjectName(windowName);
    // The picture covers the whole view: no background is painted under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_iViewWidth = width();
    m_iViewHeight = height();
}

cv::Size VideoLabel::shownSize(cv::Size picture) const
{
    const cv::Size view(m_iViewWidth.load(), m_iViewHeight.load());
    if (view.width <= 0 || view.height <= 0)
        return picture;
    return {std::min(view.width, picture.width), std::min(view.height, picture.height)};
}

void VideoLabel::ShowFrame(const cv::Mat& frame)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return;
    const cv::Size size = shownSize(frame.size());
    cv::Mat source = frame;
    if (size != frame.size()) {
        // Linear: area averaging costs the camera thread about 8 times more.
        cv::resize(frame, source, size, 0, 0, cv::INTER_LINEAR);
    }
    // RGB32 is the painter's own format: a picture of the view's size is
    // copied to the screen as it is, without a conversion on the GUI thread.
    QImage picture(size.width, size.height, QImage::Format_RGB32);
    cv::cvtColor(source, pictureMat(picture), cv::COLOR_BGR2BGRA);
    setPicture(picture);
}

void VideoLabel::ShowPlanes(const VideoPlanes& planes)
{
    if (!planes.valid())
        return;
    // Scaled plane by plane into a picture of the view's size; it is
    // converted once, as it is painted. YV12 wants even sizes: an odd view
    // gets a picture one pixel larger, clipped when painted.
    cv::Size size = shownSize({planes.width, planes.height});
    size = {(size.width + 1) & ~1, (size.height + 1) & ~1};
    cv::Mat yv12;
    scale(planes, size, yv12);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_picture = QImage();
        m_planes = yv12;
    }
    requestRepaint();
}

void VideoLabel::scale(const VideoPlanes& planes, cv::Size size, cv::Mat& yv12)
{
    if (size == cv::Size(planes.width, planes.height)) {
        planes.copyToYv12(yv12);
        return;
    }
    yv12.create(size.height * 3 / 2, size.width, CV_8UC1);
    const VideoPlanes target = VideoPlanes::FromYv12(yv12);
    const cv::Size half(size.width / 2, size.height / 2);
    cv::resize(planes.yPlane(), target.yPlane(), size, 0, 0, cv::INTER_LINEAR);
    cv::resize(planes.uPlane(), target.uPlane(), half, 0, 0, cv::INTER_LINEAR);
    cv::resize(planes.vPlane(), target.vPlane(), half, 0, 0, cv::INTER_LINEAR);
}

cv::Mat VideoLabel::pictureMat(QImage& picture)
{
    return cv::Mat(picture.height(), picture.width(), CV_8UC4, picture.bits(),
                   static_cast<size_t>(picture.bytesPerLine()));
}

void VideoLabel::setVisible(bool visible)
{
    m_bSwitchedOff = !visible;
    QWidget::setVisible(visible);
}

void VideoLabel::setPicture(const QImage& picture)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_picture = picture;
        m_planes = cv::Mat();
    }
    requestRepaint();
}

QImage VideoLabel::picture() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_planes.empty())
        return m_picture;
    // Converted once per picture: the same picture asked for again is the
    // same image (and cache key). The planes are held, so a new picture
    // cannot take over their buffer.
    if (m_convertedFrom.data != m_planes.data) {
        m_converted = yuvpicture::toImage(m_planes);
        m_convertedFrom = m_planes;
    }
    return m_converted;
}

void VideoLabel::requestRepaint()
{
    // One queued repaint at a time: a camera faster than the screen does
    // not flood the GUI thread's queue.
    if (m_bRepaintQueued.exchange(true))
        return;
    m_guiTasks.post([this] {
        m_bRepaintQueued = false;
        m_beat.beat();
        update();
    });
}

void VideoLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    cv::Mat planes;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        planes = m_planes;
    }
    try {
        if (!planes.empty() && fitsView(QSize(planes.cols, planes.rows * 2 / 3)) &&
            yuvpicture::paintInPlace(painter, size(), planes))
            return;
        // Anything else is drawn by the painter, decoded planes as converted
        // once for picture().
        const QImage shown = picture();
        if (shown.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else if (fitsView(shown.size())) {
            painter.drawImage(0, 0, shown);
        } else {
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), shown);
        }
    } catch (const std::exception&) {
        // A picture that cannot be drawn leaves the view as it was.
    }
}

// The picture made for this view: its size, or one pixel more where the view
// is odd and the picture had to be even.
bool VideoLabel::fitsView(const QSize& picture) const
{
    const QSize view = size();
    return picture.width() >= view.width() && picture.width() - view.width() <= 1 &&
           picture.height() >= view.height() && picture.height() - view.height() <= 1;
}

void VideoLabel::resizeEvent(QResizeEvent* event)
{
    m_iViewWidth = event->size().width();
    m_iViewHeight = event->size().height();
    QWidget::resizeEvent(event);
}
