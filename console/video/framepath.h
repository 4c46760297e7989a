// The road of one processed camera frame: crop, fit to the first frame's
// size, overlay, last frame, recording queue (with the frame's arrival
// time), on-screen record indicator, display. GetMatImage and GetPlanesImage run on the camera
// library's delivery thread; the setters and showNoSignal run on the GUI thread.
#pragma once

#include "VideoPlanes.h"
#include "framequeue.h"
#include "recordindicator.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <mutex>

class IVideoWindow;
class Overlay;

class FramePath {
public:
    // Pixels dropped at each side of a main-camera frame; frames no wider than
    // both margins are shown whole.
    static constexpr int kCropMargin = 162;
    static_assert(kCropMargin % 2 == 0, "a crop keeps whole chroma samples");

    // display: the large view (may be null); both must outlive the frame path.
    FramePath(const Overlay& overlay, IVideoWindow* display);

    // Camera thread: the frame callback; empty frames are dropped. Returns 0.
    int GetMatImage(cv::Mat frame);
    void GetImage(cv::Mat image);
    // Camera thread: the same frame as the decoder left it. It stays YUV: the
    // overlay is drawn on its planes, the recording encodes them, the view
    // converts them once at its own size; a BGR frame is made only when a
    // snapshot asks for it. A camera that changed its size takes GetMatImage's
    // road. Returns 0.
    int GetPlanesImage(const VideoPlanes& picture);
    // While the processed camera's picture is lost, the no-video picture takes
    // a frame's road in its place (scaled to m_iMatWidth x m_iMatHeight), so
    // the view, snapshots and a running recording show the outage. It fixes
    // no size: before the first frame it is only shown.
    void showNoSignal(const cv::Mat& picture);

    // The back camera is processed: frames are not cropped.
    void setSwap(bool swapped) { m_bSwap = swapped; }

    // m_iMatWidth x m_iMatHeight: the first frame's size, 0 x 0 before it.
    cv::Size matSize() const;

    // The newest processed frame with its overlay and without the indicator;
    // empty before the first frame. Shared and never drawn into again: read only.
    // A frame that stayed YUV is converted on the calling thread.
    cv::Mat lastFrame() const;

    // Recording flags, written by the recorder on the GUI thread.
    void startRecording(RecordIndicator::Clock::time_point now);
    void stopRecording();
    void endHeaderPhase() { m_bHeaderPhase = false; }
    bool isRecording() const { return m_bRecording; }
    bool isHeaderPhase() const { return m_bHeaderPhase; }

    FrameQueue& frameQueue() { return m_queue; }

private:
    enum class Kind { Bgr, Yv12 };
    // Overlay, last frame, recording queue, indicator, display; a Yv12 image
    // is a contiguous YV12 picture.
    void process(cv::Mat image, Kind kind, RecordingClock::time_point arrival);
    void show(const cv::Mat& image, Kind kind) const;
    // Whether a frame this wide loses its side margins.
    bool crops(int width) const;
    // Notes the first frame's size; true when picture has it.
    bool keepsSize(cv::Size picture);

    const Overlay& m_overlay;
    IVideoWindow* const m_display;
    std::atomic<bool> m_bSwap{false};
    std::atomic<bool> m_bRecording{false};
    std::atomic<bool> m_bHeaderPhase{false};
    std::atomic<int> m_iMatWidth{0};
    std::atomic<int> m_iMatHeight{0};
    mutable std::mutex m_lastFrameMutex;
    cv::Mat m_lastFrame;
    Kind m_lastKind = Kind::Bgr;
    FrameQueue m_queue;
    RecordIndicator m_indicator;
};
