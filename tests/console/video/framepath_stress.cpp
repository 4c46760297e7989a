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
#include <opencv2/imgproc.hpp>

#include <algorithm>
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
constexpr int kLongestStallSeconds = 5;

int stressSeconds()
{
    const char* value = std::getenv("MORAVEL_OVERLAY_STRESS_SECONDS");
    const int seconds = value != nullptr ? std::atoi(value) : 0;
    return seconds > 0 ? seconds : kDefaultSeconds;
}

// Counts the frames shown and those whose distance and date row carries text
// (differs from the plain background).
class InkCountingWindow : public IVideoWindow {
public:
    explicit InkCountingWindow(cv::Scalar background) : m_background(std::move(background)) {}

    void ShowFrame(const cv::Mat& frame) override
    {
        ++m_shown;
        const int unit = Overlay::unit(frame.rows);
        cv::Mat difference;
        cv::absdiff(frame.rowRange(Overlay::kBottomRow * unit, frame.rows), m_background,
                    difference);
        if (cv::countNonZero(difference.reshape(1)) > 0) {
            ++m_withText;
        }
    }

    std::atomic<int> m_shown{0};
    std::atomic<int> m_withText{0};

private:
    const cv::Scalar m_background;
};

struct Camera {
    Camera(const char* face, cv::Scalar plain) : background(std::move(plain)), window(background)
    {
        ProjectInfo info;
        info.m_strFontType = QString::fromUtf8(face);
        info.m_strStartFlag = QStringLiteral("1");
        info.m_strLocation = QStringLiteral("人民路与建设路交叉口");
        info.m_strUnitCompany = QStringLiteral("华东市政管道检测有限公司");
        overlay.setProjectInfo(info);
    }

    // 25 plain 1080p frames a second until stop (filled, not copied: a
    // ThreadSanitizer build checks every copied byte); the distance changes
    // with every frame, so each frame renders a text nobody drew before.
    void run(const std::atomic<bool>& stop)
    {
        cv::Mat frame(1080, 1920, CV_8UC3);
        auto next = Clock::now();
        for (int i = 0; !stop; ++i) {
            overlay.changeDistance([i](DistanceCalibration& d) { d.m_dCurrentReading = i * 0.01; });
            frame.setTo(background);
            path.GetMatImage(frame);
            next += std::chrono::milliseconds(1000 / kFps);
            std::this_thread::sleep_until(next);
        }
    }

    const cv::Scalar background;
    InkCountingWindow window;
    Overlay overlay;
    FramePath path{overlay, &window};
};

// The longest time, in whole seconds, that a count did not move; sampled
// once a second.
class StallWatch {
public:
    void sample(int count)
    {
        m_quiet = count == m_last ? m_quiet + 1 : 0;
        m_longest = std::max(m_longest, m_quiet);
        m_last = count;
    }
    int longest() const { return m_longest; }

private:
    int m_last = 0;
    int m_quiet = 0;
    int m_longest = 0;
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
        QLabel* label = i % 2 == 0 ? new ElidedLabel(QStringLiteral("检测地点"),
                                                     {QStringLiteral("检测地点：-179.99")}, &window)
                                   : new QLabel(&window);
        label->setFont(QFont(QString::fromUtf8(i % 3 == 0 ? "宋体" : "微软雅黑"), 12 + i % 9));
        layout->addWidget(label);
        labels.push_back(label);
    }
    window.resize(240, 900);
    window.show();

    Camera main("宋体", cv::Scalar(90, 60, 30));
    Camera back("黑体", cv::Scalar(20, 110, 70));
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
    StallWatch stalls[2];
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        stalls[0].sample(main.window.m_shown);
        stalls[1].sample(back.window.m_shown);
    });
    watch.start(1000);
    QTimer::singleShot(std::chrono::seconds(seconds) / 3, [&] { back.path.endHeaderPhase(); });
    QTimer::singleShot(std::chrono::seconds(seconds), &app, &QApplication::quit);
    app.exec();
    gui.stop();
    watch.stop();
    stop = true;
    mainThread.join();
    backThread.join();

    std::printf("%d s: frames shown %d and %d, recorded %d, label layouts %d, longest stalls "
                "%d s and %d s\n",
                seconds, main.window.m_shown.load(), back.window.m_shown.load(), written, layouts,
                stalls[0].longest(), stalls[1].longest());
    // Frames kept flowing all along (however slow an instrumented build
    // makes them) and each carried its text; the GUI thread kept laying out.
    for (const Camera* camera : {&main, &back}) {
        EXPECT_GE(camera->window.m_shown.load(), seconds);
        EXPECT_EQ(camera->window.m_withText.load(), camera->window.m_shown.load());
    }
    for (const StallWatch& stall : stalls) {
        EXPECT_LT(stall.longest(), kLongestStallSeconds);
    }
    EXPECT_GE(written, seconds);
    EXPECT_GE(layouts, seconds);
}
