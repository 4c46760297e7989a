#include "framepath.h"

#include "IVideoWindow.h"
#include "consolelog.h"
#include "framefit.h"
#include "overlay.h"
#include "overlaycanvas.h"

#include <QDateTime>
#include <QDebug>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <malloc.h>

namespace {

// A 4K picture's size class (11 to 12 MB as YUV 4:2:0, 25 MB as BGR):
// 1080p frames (3 MB as YUV 4:2:0, 6 MB as BGR) stay in the heap, where
// their memory is reused without being faulted in afresh for every frame.
constexpr int kMappedFrameBytes = 8 << 20;
// Free memory a heap keeps at its top: a few 1080p frames.
constexpr int kKeptFreeBytes = 32 << 20;
// Heaps for all threads: a frame is made on a camera thread and freed on the
// GUI or a writer thread, and every further heap keeps such frames for itself.
constexpr int kHeaps = 2;

// The date line's clock: whole seconds of local time, looked up once a second
// on each thread that draws frames. A lookup reads the time zone afresh (a stat
// of the zone file per frame otherwise).
QDateTime currentSecond()
{
    thread_local qint64 shownSecond = -1;
    thread_local QDateTime shown;
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != shownSecond) {
        shownSecond = second;
        shown = QDateTime::fromMSecsSinceEpoch(second * 1000);
    }
    return shown;
}

// The top rows of a contiguous YV12 picture, kept to be put back.
class TopRows {
public:
    TopRows() = default;
    TopRows(const cv::Mat& yv12, int rows)
        : m_planes(VideoPlanes::FromYv12(yv12)), m_rows(std::min(rows, m_planes.height) & ~1)
    {
        m_y = m_planes.yPlane().rowRange(0, m_rows).clone();
        m_u = m_planes.uPlane().rowRange(0, m_rows / 2).clone();
        m_v = m_planes.vPlane().rowRange(0, m_rows / 2).clone();
    }
    void restore() const
    {
        if (m_rows == 0) {
            return;
        }
        m_y.copyTo(m_planes.yPlane().rowRange(0, m_rows));
        m_u.copyTo(m_planes.uPlane().rowRange(0, m_rows / 2));
        m_v.copyTo(m_planes.vPlane().rowRange(0, m_rows / 2));
    }

private:
    VideoPlanes m_planes;
    int m_rows = 0;
    cv::Mat m_y;
    cv::Mat m_u;
    cv::Mat m_v;
};

} // namespace

FramePath::FramePath(const Overlay& overlay, IVideoWindow* display)
    : m_overlay(overlay), m_display(display)
{
    // Frames of up to 25 MB come and go many times a second on several
    // threads. Above kMappedFrameBytes they are mapped and unmapped, so a
    // freed frame goes back to the system at once; the allocator's own
    // threshold would rise to the frame size and keep freed frames in each
    // thread's heap.
    mallopt(M_MMAP_THRESHOLD, kMappedFrameBytes);
    // Below it, a freed frame at the top of a heap stays there for the next
    // one instead of being handed back and faulted in afresh page by page.
    mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
    mallopt(M_ARENA_MAX, kHeaps);
}

int FramePath::GetMatImage(cv::Mat frame)
{
    if (frame.empty()) {
        return 0;
    }
    MORAVEL_LOG(L"GetMatImage begin");
    if (crops(frame.cols)) {
        GetImage(frame(cv::Rect(kCropMargin, 0, frame.cols - 2 * kCropMargin, frame.rows)));
    } else {
        GetImage(frame);
    }
    return 0;
}

bool FramePath::crops(int width) const
{
    return !m_bSwap && width > 2 * kCropMargin;
}

bool FramePath::keepsSize(cv::Size picture)
{
    // Only this thread writes the size, once.
    if (m_iMatWidth == 0 || m_iMatHeight == 0) {
        qDebug() << "GetImage m_iMatWidth" << m_iMatWidth << m_iMatHeight;
        m_iMatWidth = picture.width;
        m_iMatHeight = picture.height;
        MORAVEL_LOG(L"GetImage m_iMatWidth [%d] [%d]", picture.width, picture.height);
        qDebug() << "GetImage m_iMatWidth" << m_iMatWidth << m_iMatHeight;
    }
    return picture == matSize();
}

void FramePath::GetImage(cv::Mat image)
{
    const auto arrival = RecordingClock::now();
    keepsSize(image.size());
    // A camera that changed its resolution: the overlay, the view and the
    // recording get its picture at the first frame's size, undistorted.
    process(fitInto(image, matSize()), Kind::Bgr, arrival);
    MORAVEL_LOG(L"GetImage SetPixmap end");
}

int FramePath::GetPlanesImage(const VideoPlanes& picture)
{
    if (!picture.valid()) {
        return 0;
    }
    const VideoPlanes image = crops(picture.width)
                                  ? picture.columns(kCropMargin, picture.width - 2 * kCropMargin)
                                  : picture;
    MORAVEL_LOG(L"GetMatImage begin");
    const auto arrival = RecordingClock::now();
    if (!keepsSize({image.width, image.height})) {
        GetImage(image.toBgr());
        return 0;
    }
    // A picture of its own: the library reuses its buffer.
    cv::Mat yv12;
    image.copyToYv12(yv12);
    process(yv12, Kind::Yv12, arrival);
    MORAVEL_LOG(L"GetImage SetPixmap end");
    return 0;
}

void FramePath::showNoSignal(const cv::Mat& picture)
{
    const cv::Size size = matSize();
    if (size.width == 0 || size.height == 0) {
        if (m_display != nullptr) {
            m_display->ShowFrame(picture);
        }
        return;
    }
    cv::Mat frame;
    cv::resize(picture, frame, size, 0, 0, cv::INTER_AREA);
    process(frame, Kind::Bgr, RecordingClock::now());
}

void FramePath::process(cv::Mat image, Kind kind, RecordingClock::time_point arrival)
{
    const OverlayCanvas canvas =
        kind == Kind::Yv12 ? OverlayCanvas::yv12(image) : OverlayCanvas(image);
    m_overlay.drawDistanceAndDate(canvas, currentSecond());
    const bool recording = m_bRecording;
    if (recording && m_bHeaderPhase) {
        m_overlay.WriteInfoBefore(canvas);
    } else {
        m_overlay.WriteInfoAfter(canvas);
    }
    // The snapshot and the recording queue share a buffer nobody draws into
    // afterwards: the frame itself, unless it lies in memory it does not own.
    // The indicator is for the view alone: a BGR frame is copied before it is
    // drawn; a picture of planes, which the view scales into one of its own
    // at once, lends the view the rows under it and gets them back.
    const bool lends = recording && kind == Kind::Yv12 && image.u != nullptr;
    const cv::Mat kept = (recording && !lends) || image.u == nullptr ? image.clone() : image;
    if (recording) {
        const TopRows under =
            lends ? TopRows(image, RecordIndicator::rowsCovered(matSize())) : TopRows();
        m_indicator.draw(canvas, RecordIndicator::Clock::now(), m_overlay);
        show(image, kind);
        under.restore();
    } else {
        show(image, kind);
    }
    {
        std::lock_guard<std::mutex> lock(m_lastFrameMutex);
        m_lastFrame = kept;
        m_lastKind = kind;
    }
    if (recording) {
        m_queue.push(kept, arrival);
    }
}

void FramePath::show(const cv::Mat& image, Kind kind) const
{
    if (m_display == nullptr) {
        return;
    }
    if (kind == Kind::Yv12) {
        m_display->ShowPlanes(VideoPlanes::FromYv12(image));
    } else {
        m_display->ShowFrame(image);
    }
}

cv::Size FramePath::matSize() const
{
    return {m_iMatWidth, m_iMatHeight};
}

cv::Mat FramePath::lastFrame() const
{
    cv::Mat frame;
    {
        std::lock_guard<std::mutex> lock(m_lastFrameMutex);
        if (m_lastKind == Kind::Bgr) {
            return m_lastFrame;
        }
        frame = m_lastFrame;
    }
    cv::Mat bgr;
    cv::cvtColor(frame, bgr, cv::COLOR_YUV2BGR_YV12);
    return bgr;
}

void FramePath::startRecording(RecordIndicator::Clock::time_point now)
{
    m_indicator.start(now);
    m_bHeaderPhase = true;
    m_bRecording = true;
}

void FramePath::stopRecording()
{
    m_bRecording = false;
    m_bHeaderPhase = false;
}
