// What the two views show while their cameras give no picture, and the log
// of lost and returning pictures. Frames of the processed camera (through the
// console) and of the window camera (through windowView()) are noted as they
// arrive. Within 1.5 s of a camera's last frame its view shows the no-video
// picture with "视频信号中断" and the time since the loss, redrawn once a
// second; in the large view that picture takes a frame's road, so a running
// recording keeps its real length and shows the outage. A camera that is not
// logged in shows why in its view. Everything but the arrivals and the login
// reports runs on the GUI thread.
#pragma once

#include "IVideoWindow.h"
#include "guitasks.h"
#include "recordingclock.h"
#include "signalwatch.h"

#include <QObject>
#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

class FramePath;

class VideoSignals : public QObject {
    Q_OBJECT

public:
    using Clock = RecordingClock;
    static constexpr int kCheckMs = 50;
    // The picture a view shows before its camera's first login: black for the
    // small view; for the large one black, then the placeholder.
    static constexpr int kNoVideoSide = 400;

    // framePath: the large view's road; backView: the small view; placeholder:
    // the no-video picture ("video.png", may be empty); swapped: true while the
    // back camera is the processed one.
    VideoSignals(FramePath& framePath, IVideoWindow& backView, cv::Mat placeholder,
                 std::function<bool()> swapped, QObject* parent = nullptr);

    // The small view as the camera library sees it: each frame is shown and
    // counts as a frame of the window camera, and so does each frame skipped
    // while the view is switched off. Any thread.
    IVideoWindow* windowView() { return &m_windowFeed; }
    // Camera thread: a frame of the processed camera arrived.
    void processedFrameArrived();
    // Any thread: the outcome of a login of camera (NET_DVR_NOERROR: logged in).
    void loginResult(int camera, uint32_t error);

    // The views before any login: black squares, then the placeholder.
    void showNoVideo();
    // GUI thread, every kCheckMs: notes losses and returns, redraws the views
    // of lost cameras when their time since the loss has moved on a second.
    void check(Clock::time_point now);
    bool isLost(int camera) const;

private:
    class WindowFeed : public IVideoWindow {
    public:
        WindowFeed(VideoSignals& owner, IVideoWindow& view) : m_owner(owner), m_view(view) {}
        void ShowFrame(const cv::Mat& frame) override;
        void ShowPlanes(const VideoPlanes& planes) override;
        bool IsShown() const override;
        void FrameSkipped() override;

    private:
        VideoSignals& m_owner;
        IVideoWindow& m_view;
    };

    int processedCamera() const;
    // The camera's view shows what stands in for its picture: the time since
    // the loss while lost, and why the camera is not logged in.
    void showNoPicture(int camera, Clock::time_point now);

    FramePath& m_framePath;
    IVideoWindow& m_backView;
    WindowFeed m_windowFeed;
    const cv::Mat m_placeholder;
    std::function<bool()> m_swapped;
    std::array<SignalWatch, 2> m_watches;
    std::atomic<int> m_iWindowWidth{0};
    std::atomic<int> m_iWindowHeight{0};
    // GUI thread: why each camera is not logged in ("" when it is), and the
    // whole seconds of the loss its view shows.
    std::array<QString, 2> m_reasons;
    std::array<long long, 2> m_shownSeconds{-1, -1};
    GuiTasks m_guiTasks;
};
