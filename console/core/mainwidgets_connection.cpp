// The console's side of the connection dialog: the live state it shows, and
// new connection settings taking effect without a restart (a changed camera
// logs in again, a changed link reopens; the rest keeps running).
#include "mainwidgets.h"

#include "CameraErrors.h"
#include "crawlersession.h"
#include "framepath.h"
#include "recording.h"
#include "videosignals.h"

#include <QFileInfo>

#include <chrono>

namespace {

// A recording's rate is measured from its file once it has run this long.
constexpr std::chrono::seconds kRateSample{2};
// Before any recording: bits a second per pixel of the processed picture as
// the recording encoder (fixed quantiser) writes a 25 fps camera. Measured
// 3.9 for the simulated pipe camera and 16.5 for GStreamer's test picture
// (camera_outage_bench); the higher, rounded up, so the recording time shown
// errs on the short side.
constexpr double kEstimatedBitsPerPixel = 17.0;

} // namespace

QString mainWidgets::linkProblem() const
{
    using Problem = CrawlerSession::LinkProblem;
    switch (m_pSession->linkProblem()) {
    case Problem::None:
        return linkConnected() ? QString() : tr("正在连接");
    case Problem::InvalidAddress:
        return tr("地址无效");
    case Problem::Refused:
        return tr("连接被拒绝");
    case Problem::TimedOut:
        return tr("连接超时");
    case Problem::Failed:
        return tr("连接失败");
    case Problem::Dropped:
        return tr("连接已断开");
    }
    return QString();
}

ConnectionConsole::CameraState mainWidgets::cameraState(int camera) const
{
    CameraState state;
    state.connected = m_pCameras->userId(camera) >= 0;
    if (state.connected) {
        if (m_pSignals->isLost(camera))
            state.reason = tr("视频信号中断");
        return state;
    }
    const uint32_t error = m_pCameras->lastError(camera);
    if (error != NET_DVR_NOERROR)
        state.reason = loginFailureText(error);
    return state;
}

ConnectionConsole::RecordingRate mainWidgets::recordingRate() const
{
    if (m_pRecording->isRecording()) {
        const auto elapsed = m_pRecording->elapsed(RecordingClock::now());
        const qint64 bytes = QFileInfo(m_pRecording->videoPath()).size();
        if (elapsed >= kRateSample && bytes > 0)
            m_dMeasuredBitsPerSecond =
                static_cast<double>(bytes) * 8 / std::chrono::duration<double>(elapsed).count();
    }
    if (m_dMeasuredBitsPerSecond > 0)
        return {m_dMeasuredBitsPerSecond, true};
    const cv::Size frame = m_pFramePath->matSize();
    return {frame.area() * kEstimatedBitsPerPixel, false};
}

void mainWidgets::applyConnectionChanges(const Changes& changes)
{
    bool relogged = false;
    for (int camera = 0; camera < kCameras; ++camera) {
        if (!changes.cameras[static_cast<size_t>(camera)])
            continue;
        m_pCameras->relogin(camera);
        relogged = true;
    }
    if (changes.link)
        m_pSession->reopenLink();
    else if (relogged)
        m_pSession->loginSoon();
}
