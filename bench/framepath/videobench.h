// Shared parts of the frame path and recording benchmarks: a filled overlay,
// a simulated camera delivering 1920 x 1080 frames in real time to the frame
// path, and the figures they print.
#pragma once

#include "framepath.h"
#include "overlay.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace videobench {

using Clock = std::chrono::steady_clock;
const cv::Size kCameraSize(1920, 1080);
constexpr int kFps = 25;
constexpr int kDistinctFrames = 10; // about 62 MB of source pictures

inline double milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename T> T percentile(std::vector<T> values, double p)
{
    if (values.empty()) {
        return T();
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Peak resident memory of this process in kB (VmHWM).
inline long peakMemoryKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// All twelve fields in Chinese, header on: the heaviest overlay.
inline void fillOverlay(Overlay& overlay)
{
    ProjectInfo info;
    info.m_strFontType = QStringLiteral("宋体");
    info.m_strFontColor = QStringLiteral("白");
    info.m_strStartFlag = QStringLiteral("1");
    info.m_strUnitCompany = QStringLiteral("华东市政管道检测有限公司");
    info.m_strInspector = QStringLiteral("检测员张伟");
    info.m_strNo = QStringLiteral("项目编号甲乙丙丁");
    info.m_strTaskName = QStringLiteral("雨污合流管网普查");
    info.m_strLocation = QStringLiteral("人民路与建设路交叉口");
    info.m_strStartWellNo = QStringLiteral("甲一号井");
    info.m_strEndWellNo = QStringLiteral("甲二号井");
    info.m_strDescription = QStringLiteral("管道内壁腐蚀与渗漏检查");
    info.m_strPipDiameter = QStringLiteral("八百毫米");
    info.m_strDirection = QStringLiteral("顺流检测");
    info.m_strPipType = QStringLiteral("雨污合流");
    info.m_strPipMeterial = QStringLiteral("钢筋混凝土管");
    overlay.setProjectInfo(info);
    overlay.setCustomText(QStringLiteral("自定义叠加文字"));
    DistanceCalibration distance;
    distance.m_dCurrentReading = 12.25;
    overlay.setDistance(distance);
}

// A pipe-like picture that moves from frame to frame, so the encoder works
// as on a real camera.
inline std::vector<cv::Mat> cameraFrames()
{
    std::vector<cv::Mat> frames;
    cv::RNG rng(7);
    for (int i = 0; i < kDistinctFrames; ++i) {
        cv::Mat frame(kCameraSize, CV_8UC3);
        for (int y = 0; y < frame.rows; ++y) {
            frame.row(y).setTo(cv::Scalar(40 + y / 12, 60 + y / 20, 70));
        }
        const cv::Point centre(kCameraSize.width / 2 + 12 * i, kCameraSize.height / 2);
        for (int r = 60; r < 900; r += 70) {
            cv::circle(frame, centre, r + 6 * i, cv::Scalar(20 + r / 5, 90, 140 - r / 8), 8);
        }
        cv::Mat noise(kCameraSize, CV_8UC3);
        rng.fill(noise, cv::RNG::NORMAL, 0, 6);
        frame += noise;
        frames.push_back(frame);
    }
    return frames;
}

// Delivers frames at 25 fps on its own thread, as the camera library does,
// and times each GetMatImage call.
class SimulatedCamera {
public:
    explicit SimulatedCamera(FramePath& path) : m_path(path), m_frames(cameraFrames()) {}
    ~SimulatedCamera() { stop(); }

    void start()
    {
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    int delivered() const { return m_delivered; }
    // Per-frame cost in ms; read after stop().
    const std::vector<double>& costs() const { return m_costs; }

private:
    void run()
    {
        const auto start = Clock::now();
        const auto period = std::chrono::microseconds(1000000 / kFps);
        for (int i = 0; !m_stop; ++i) {
            std::this_thread::sleep_until(start + i * period);
            // The library hands over a fresh decoded frame each time.
            cv::Mat frame = m_frames[static_cast<size_t>(i % kDistinctFrames)].clone();
            const auto before = Clock::now();
            m_path.GetMatImage(frame);
            m_costs.push_back(milliseconds(Clock::now() - before));
            ++m_delivered;
        }
    }

    FramePath& m_path;
    std::vector<cv::Mat> m_frames;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_delivered{0};
    std::vector<double> m_costs;
    std::thread m_thread;
};

} // namespace videobench

#include "IVideoWindow.h"
#include "Log.h"
#include "inisettings.h"
#include "recording.h"
#include "videolabel.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <mutex>

namespace videobench {

// A view that only keeps the newest frame: the frame path's own cost.
class HandOffWindow : public IVideoWindow {
public:
    void ShowFrame(const cv::Mat& frame) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frame = frame;
    }

private:
    std::mutex m_mutex;
    cv::Mat m_frame;
};

struct SessionFigures {
    std::vector<double> frameCosts; // ms per GetMatImage, whole run
    int framesWhileRecording = 0;
    uint64_t framesWritten = 0;
    uint64_t framesDropped = 0;
    std::vector<size_t> queueDepths;   // sampled every GUI probe tick
    std::vector<double> guiLatenessMs; // probe timer lateness
    QString file;
    QString message;
};

constexpr int kProbeMs = 10;
// The large view of the console on a 1920 x 1080 screen, about.
const QSize kViewSize(1152, 640);

// Records `seconds` of the simulated camera into folder with the console's
// timers on this (GUI) thread, shown in a visible console view (or, with
// consoleView false, only handed over), with the given /came/codec. Needs a
// QApplication.
inline SessionFigures recordSession(int seconds, const QString& folder, bool consoleView = true,
                                    const QString& codec = QString())
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    // The console's log goes to a file, as in the console.
    constexpr int kLogQueue = 8192;
    constexpr int kLogFileBytes = 2000000;
    constexpr int kLogFiles = 10;
    Log::get_instance()->init(
        (config.path() + QStringLiteral("/Logs/Moravel.log")).toUtf8().constData(), kLogQueue,
        kLogFileBytes, kLogFiles);
    SetQStringFromIni(QStringLiteral("/came/fps"), QString::number(kFps));
    SetQStringFromIni(QStringLiteral("/came/codec"), codec);

    Overlay overlay;
    fillOverlay(overlay);
    VideoLabel view(nullptr, QStringLiteral("viewmain"));
    view.resize(kViewSize);
    view.show();
    HandOffWindow handOff;
    FramePath path(overlay, consoleView ? static_cast<IVideoWindow*>(&view) : &handOff);
    Recording recording(path, overlay, [folder] { return folder; });
    SessionFigures figures;
    QObject::connect(&recording, &Recording::recordingMessage,
                     [&figures](const QString& message) { figures.message = message; });
    SimulatedCamera camera(path);
    camera.start();
    while (path.matSize().area() == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kProbeMs);
    }
    const int deliveredBefore = camera.delivered();
    if (!recording.recordAction()) {
        return figures;
    }
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    auto last = Clock::now();
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        figures.guiLatenessMs.push_back(std::max(0.0, milliseconds(now - last) - kProbeMs));
        figures.queueDepths.push_back(path.frameQueue().size());
        last = now;
    });
    probe.start(kProbeMs);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    probe.stop();
    figures.framesWhileRecording = camera.delivered() - deliveredBefore;
    figures.framesDropped = path.frameQueue().dropped();
    recording.recordAction();
    camera.stop();
    // The frames that came before the stop are written after it.
    while (recording.isClosing()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kProbeMs);
    }
    figures.framesWritten = recording.framesWritten();
    figures.frameCosts = camera.costs();
    figures.file = recording.videoPath();
    return figures;
}

} // namespace videobench
