// A video view: shows frames handed over from any thread, painted scaled
// into the whole widget. Camera libraries render into it through its
// IVideoWindow side; its name is the name the view is known by. While it is
// switched off (hidden) it tells the cameras that nobody sees it.
#pragma once

#include "IVideoWindow.h"
#include "guitasks.h"
#include "paintbeat.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <mutex>

class VideoLabel : public QWidget, public IVideoWindow {
    Q_OBJECT

public:
    VideoLabel(QWidget* parent, const QString& windowName);

    // Any thread. Frames other than 8-bit three-channel BGR are ignored.
    void ShowFrame(const cv::Mat& frame) override;
    // Any thread: scaled into the view; converted as it is painted.
    void ShowPlanes(const VideoPlanes& planes) override;
    bool IsShown() const override { return !m_bSwitchedOff; }
    void setVisible(bool visible) override;
    // Any thread: replaces the picture and asks for a repaint.
    void setPicture(const QImage& picture);
    // Any thread: the picture shown, as RGB32 at its size in this view; the
    // same image (and cache key) until the next picture.
    QImage picture() const;
    // GUI thread: beats as each new picture asks for its repaint.
    PaintBeat& paintBeat() { return m_beat; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void requestRepaint();
    // The picture's size in this view: never larger than the view.
    cv::Size shownSize(cv::Size picture) const;
    // The planes at size, as one contiguous YV12 picture of its own.
    static void scale(const VideoPlanes& planes, cv::Size size, cv::Mat& yv12);
    bool fitsView(const QSize& picture) const;
    static cv::Mat pictureMat(QImage& picture);

    mutable std::mutex m_mutex; // the picture is set on camera threads
    // One or the other: a BGR frame's picture, or decoded planes at the
    // view's size (contiguous YV12).
    QImage m_picture;
    cv::Mat m_planes;
    // picture()'s conversion of m_convertedFrom.
    mutable QImage m_converted;
    mutable cv::Mat m_convertedFrom;
    // Frames are shrunk to the view's size on the calling thread; the GUI
    // thread only converts decoded planes as it paints them.
    std::atomic<int> m_iViewWidth{0};
    std::atomic<int> m_iViewHeight{0};
    std::atomic<bool> m_bSwitchedOff{false};
    std::atomic<bool> m_bRepaintQueued{false};
    GuiTasks m_guiTasks;
    PaintBeat m_beat;
};
