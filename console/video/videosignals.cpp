#include "videosignals.h"

#include "CameraErrors.h"
#include "cameralogins.h"
#include "consolelog.h"
#include "framepath.h"
#include "novideopicture.h"
#include "recordindicator.h"

#include <QTimer>

namespace {

double seconds(RecordingClock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

VideoSignals::VideoSignals(FramePath& framePath, IVideoWindow& backView, cv::Mat placeholder,
                           std::function<bool()> swapped, QObject* parent)
    : QObject(parent), m_framePath(framePath), m_backView(backView), m_windowFeed(*this, backView),
      m_placeholder(std::move(placeholder)), m_swapped(std::move(swapped))
{
    auto* timer = new QTimer(this);
    timer->setInterval(kCheckMs);
    connect(timer, &QTimer::timeout, this, [this] { check(Clock::now()); });
    timer->start();
}

void VideoSignals::WindowFeed::ShowFrame(const cv::Mat& frame)
{
    m_owner.m_iWindowWidth = frame.cols;
    m_owner.m_iWindowHeight = frame.rows;
    FrameSkipped();
    m_view.ShowFrame(frame);
}

void VideoSignals::WindowFeed::ShowPlanes(const VideoPlanes& planes)
{
    m_owner.m_iWindowWidth = planes.width;
    m_owner.m_iWindowHeight = planes.height;
    FrameSkipped();
    m_view.ShowPlanes(planes);
}

bool VideoSignals::WindowFeed::IsShown() const
{
    return m_view.IsShown();
}

void VideoSignals::WindowFeed::FrameSkipped()
{
    m_owner.m_watches[static_cast<size_t>(1 - m_owner.processedCamera())].frameArrived(
        Clock::now());
}

int VideoSignals::processedCamera() const
{
    return m_swapped() ? CameraLogins::kBack : CameraLogins::kMain;
}

void VideoSignals::processedFrameArrived()
{
    m_watches[static_cast<size_t>(processedCamera())].frameArrived(Clock::now());
}

bool VideoSignals::isLost(int camera) const
{
    return m_watches[static_cast<size_t>(camera)].isLost();
}

void VideoSignals::loginResult(int camera, uint32_t error)
{
    m_guiTasks.post([this, camera, error] {
        const bool failed = error != NET_DVR_NOERROR;
        m_reasons[static_cast<size_t>(camera)] = failed ? loginFailureText(error) : QString();
        if (failed)
            showNoPicture(camera, Clock::now());
    });
}

void VideoSignals::showNoVideo()
{
    const cv::Mat black(kNoVideoSide, kNoVideoSide, CV_8UC3, cv::Scalar::all(0));
    m_backView.ShowFrame(black);
    m_framePath.showNoSignal(black);
    if (!m_placeholder.empty())
        m_framePath.showNoSignal(m_placeholder);
}

void VideoSignals::check(Clock::time_point now)
{
    for (int camera : {CameraLogins::kMain, CameraLogins::kBack}) {
        const auto index = static_cast<size_t>(camera);
        SignalWatch& watch = m_watches[index];
        switch (watch.check(now)) {
        case SignalWatch::Change::Lost:
            MORAVEL_LOG(L"[Moravel] camera [%d] video lost, no frame for [%.1f] s", camera,
                        seconds(now - watch.lostSince()));
            break;
        case SignalWatch::Change::Back:
            MORAVEL_LOG(L"[Moravel] camera [%d] video back after [%.1f] s", camera,
                        seconds(watch.outage()));
            break;
        case SignalWatch::Change::None:
            break;
        }
        if (watch.isLost() &&
            std::chrono::duration_cast<std::chrono::seconds>(now - watch.lostSince()).count() !=
                m_shownSeconds[index])
            showNoPicture(camera, now);
    }
}

void VideoSignals::showNoPicture(int camera, Clock::time_point now)
{
    const auto index = static_cast<size_t>(camera);
    const SignalWatch& watch = m_watches[index];
    QStringList lines;
    if (watch.isLost()) {
        const auto since = now - watch.lostSince();
        m_shownSeconds[index] = std::chrono::duration_cast<std::chrono::seconds>(since).count();
        lines
            << tr("视频信号中断 %1").arg(QString::fromStdString(RecordIndicator::clockText(since)));
    }
    if (!m_reasons[index].isEmpty())
        lines << m_reasons[index];
    const cv::Size square(kNoVideoSide, kNoVideoSide);
    if (camera == processedCamera()) {
        const cv::Size frame = m_framePath.matSize();
        const cv::Size fallback = m_placeholder.empty() ? square : m_placeholder.size();
        m_framePath.showNoSignal(
            noVideoPicture(m_placeholder, frame.area() > 0 ? frame : fallback, lines));
    } else {
        const cv::Size frame(m_iWindowWidth.load(), m_iWindowHeight.load());
        m_backView.ShowFrame(noVideoPicture(cv::Mat(), frame.area() > 0 ? frame : square, lines));
    }
}
