#include "videolabel.h"

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

void VideoLabel::ShowFrame(const cv::Mat& frame)
{
    if (frame.empty() || frame.type() != CV_8UC3)
        return;
    cv::Size size = frame.size();
    const cv::Size view(m_iViewWidth.load(), m_iViewHeight.load());
    cv::Mat source = frame;
    if (view.width > 0 && view.height > 0 &&
        (view.width < size.width || view.height < size.height)) {
        size = cv::Size(std::min(view.width, size.width), std::min(view.height, size.height));
        // Linear: area averaging costs the camera thread about 8 times more.
        cv::resize(frame, source, size, 0, 0, cv::INTER_LINEAR);
    }
    // RGB32 is the painter's own format: a picture of the view's size is
    // copied to the screen as it is, without a conversion on the GUI thread.
    QImage picture(size.width, size.height, QImage::Format_RGB32);
    cv::Mat target(size.height, size.width, CV_8UC4, picture.bits(),
                   static_cast<size_t>(picture.bytesPerLine()));
    cv::cvtColor(source, target, cv::COLOR_BGR2BGRA);
    setPicture(picture);
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
    }
    requestRepaint();
}

QImage VideoLabel::picture() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_picture;
}

void VideoLabel::requestRepaint()
{
    // One queued repaint at a time: a camera faster than the screen does
    // not flood the GUI thread's queue.
    if (m_bRepaintQueued.exchange(true))
        return;
    m_guiTasks.post([this] {
        m_bRepaintQueued = false;
        update();
    });
}

void VideoLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    try {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_picture.isNull()) {
            painter.fillRect(rect(), Qt::black);
        } else if (m_picture.size() == size()) {
            painter.drawImage(0, 0, m_picture);
        } else {
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            painter.drawImage(rect(), m_picture);
        }
    } catch (const std::exception&) {
        // A picture that cannot be drawn leaves the view as it was.
    }
}

void VideoLabel::resizeEvent(QResizeEvent* event)
{
    m_iViewWidth = event->size().width();
    m_iViewHeight = event->size().height();
    QWidget::resizeEvent(event);
}
