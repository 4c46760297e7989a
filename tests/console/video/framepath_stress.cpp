// Two cameras' frame paths burn their overlays into 1080p frames at 25 fps on
// their own threads while the GUI thread lays out, elides and repaints labels:
// the overlay's text engine and the widgets' must never meet. One camera
// records (header phase, then the field column, with the record indicator).
// Runs MORAVEL_OVERLAY_STRESS_SECONDS seconds (default 15).

#include "ElidedLabel.h"
#include "FontFaces.h"
#include "IVideoWindow.h"
#include "framepath.h"
#include "overlay.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>
#include <QVBoxLayout>

#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFps = 25;
constexpr int kDefaultSeconds = 15;
constexpr int kLabels = 24;

int stressSeconds()
{
    const char* value = std::getenv("MORAVEL_OVERLAY_STRESS_SECONDS");
    const int seconds = value != nullptr ? std::atoi(value) : 0;
    return seconds > 0 ? seconds : kDefaultSeconds;
}

cv::Mat cameraFrame(uint64_t seed)
{
    cv::Mat frame(1080, 1920, CV_8UC3);
    cv::RNG rng(seed);
    rng.fill(frame, cv::RNG::UNIFORM, 0, 200);
    return frame;
}

// Counts the frames shown and those whose distance and date row carries text.
class InkCountingWindow : public IVideoWindow {
public:
    explicit InkCountingWindow(cv::Mat shownSource) : m_source(std::move(shownSource)) {}

    void ShowFrame(const cv::Mat& frame) override
    {
        ++m_shown;
        const int unit = Overlay::unit(frame.rows);
        const cv::Rect row(0, Overlay::kBottomRow * unit, frame.cols, unit);
        if (frame.size() == m_source.size() &&
            cv::norm(frame(row), m_source(row), cv::NORM_INF) > 0) {
            ++m_withText;
        }
    }

    std::atomic<int> m_shown{0};
    std::atomic<int> m_withText{0};

private:
    const cv::Mat m_source; // the frame as shown without overlay
};

struct Camera {
    Camera(const char* face, uint64_t seed)
        : source(cameraFrame(seed)),
          window(
              source.colRange(FramePath::kCropMargin, source.cols - FramePath::kCropMargin).clone())
    {
        ProjectInfo info;
        info.m_strFontType = QString::fromUtf8(face);
        info.m_strStartFlag = QStringLiteral("1");
        info.m_strLocation = QStringLiteral("人民路与建设路交叉口");
        info.m_strUnitCompany = QStringLiteral("华东市政管道检测有限公司");
        overlay.setProjectInfo(info);
    }

    // 25 frames a second until stop; the distance changes with every frame,
    // so each frame renders a text nobody drew before.
    void run(const std::atomic<bool>& stop)
    {
        cv::Mat frame;
        auto next = Clock::now();
        for (int i = 0; !stop; ++i) {
            overlay.changeDistance([i](DistanceCalibration& d) { d.m_dCurrentReading = i * 0.01; });
            source.copyTo(frame);
            path.GetMatImage(frame);
            next += std::chrono::milliseconds(1000 / kFps);
            std::this_thread::sleep_until(next);
        }
    }

    const cv::Mat source;
    InkCountingWindow window;
    Overlay overlay;
    FramePath path{overlay, &window};
};

} // namespace

TEST(FramePath, twoCamerasKeepDrawingWhileTheGuiLaysOutText)
{
    static int argc = 1;
    static char name[] = "video_framepath_stress";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    installFontSubstitutions();

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    std::vector<QLabel*> labels;
    for (int i = 0; i < kLabels; ++i) {
        QLabel* label =
            i % 2 == 0 ? new ElidedLabel(QStringLiteral("检测地点"), &window) : new QLabel(&window);
        label->setFont(QFont(QString::fromUtf8(i % 3 == 0 ? "宋体" : "微软雅黑"), 12 + i % 9));
        layout->addWidget(label);
        labels.push_back(label);
    }
    window.resize(240, 900);
    window.show();

    Camera main("宋体", 1);
    Camera back("黑体", 2);
    std::atomic<bool> stop{false};
    std::thread mainThread([&] { main.run(stop); });
    std::thread backThread([&] { back.run(stop); });

    const int seconds = stressSeconds();
    back.path.startRecording(RecordIndicator::Clock::now());
    int layouts = 0;
    int written = 0;
    QTimer gui;
    QObject::connect(&gui, &QTimer::timeout, [&] {
        for (size_t i = 0; i < labels.size(); ++i) {
            const QString text = QStringLiteral("管道内壁腐蚀与渗漏检查 第%1次 %2 M")
                                     .arg(layouts)
                                     .arg(layouts * 0.37 + static_cast<double>(i), 0, 'f', 2);
            const QFontMetrics metrics(labels[i]->font());
            labels[i]->setText(metrics.elidedText(text, Qt::ElideRight, 60 + (layouts + i) % 150));
            labels[i]->repaint();
        }
        ++layouts;
        // The recording writer's part: take what the camera queued.
        TimedFrame frame;
        while (back.path.frameQueue().pop(frame)) {
            ++written;
        }
    });
    gui.start(5);
    QTimer::singleShot(std::chrono::seconds(seconds) / 3, [&] { back.path.endHeaderPhase(); });
    QTimer::singleShot(std::chrono::seconds(seconds), &app, &QApplication::quit);
    app.exec();
    gui.stop();
    stop = true;
    mainThread.join();
    backThread.join();

    std::printf("%d s: frames shown %d and %d, recorded %d, label layouts %d\n", seconds,
                main.window.m_shown.load(), back.window.m_shown.load(), written, layouts);
    // Frames kept flowing (allowing for a slow, instrumented build) and each
    // carried its text; the GUI thread kept laying out all along.
    const int expected = seconds * kFps;
    for (const Camera* camera : {&main, &back}) {
        EXPECT_GE(camera->window.m_shown.load(), expected / 4);
        EXPECT_EQ(camera->window.m_withText.load(), camera->window.m_shown.load());
    }
    EXPECT_GE(written, expected / 4);
    EXPECT_GE(layouts, seconds * 10);
}
