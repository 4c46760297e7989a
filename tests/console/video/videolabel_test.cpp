// The video view: frames handed over from any thread, converted to RGB,
// shrunk to the view and painted into the whole widget.
#include "videolabel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <atomic>
#include <thread>

namespace {

constexpr int kWaitMs = 20000;

void ensureApp()
{
    static int argc = 1;
    static char name[] = "videolabel_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app =
        QApplication::instance() != nullptr ? nullptr : new QApplication(argc, argv);
    (void)app;
}

bool waitUntil(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > kWaitMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    std::atomic<int> paints{0};

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

cv::Mat bgr(int width, int height, cv::Scalar colour)
{
    return cv::Mat(height, width, CV_8UC3, colour);
}

class VideoLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApp();
        label = std::make_unique<VideoLabel>(nullptr, QStringLiteral("viewmain"));
        label->resize(200, 100);
    }
    std::unique_ptr<VideoLabel> label;
};

TEST_F(VideoLabelTest, IsAFramelessWidgetNamedAfterItsWindow)
{
    EXPECT_EQ(label->objectName(), "viewmain");
    EXPECT_TRUE(label->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(label->picture().isNull());
}

TEST_F(VideoLabelTest, BgrFrameBecomesAnRgbPicture)
{
    cv::Mat frame = bgr(40, 20, cv::Scalar(255, 0, 0));         // blue
    frame(cv::Rect(0, 0, 20, 20)).setTo(cv::Scalar(0, 0, 255)); // left half red
    label->ShowFrame(frame);
    const QImage picture = label->picture();
    ASSERT_EQ(picture.size(), QSize(40, 20));
    EXPECT_EQ(picture.pixelColor(5, 5), QColor(255, 0, 0));
    EXPECT_EQ(picture.pixelColor(35, 5), QColor(0, 0, 255));
}

TEST_F(VideoLabelTest, FramesLargerThanTheShownViewAreShrunkToIt)
{
    label->show();
    ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }));
    label->ShowFrame(bgr(1920, 1080, cv::Scalar(0, 255, 0)));
    EXPECT_EQ(label->picture().size(), QSize(200, 100));
    EXPECT_EQ(label->picture().pixelColor(100, 50), QColor(0, 255, 0));
    // Only the larger side shrinks; a small frame keeps its size.
    label->ShowFrame(bgr(640, 40, cv::Scalar(0, 0, 0)));
    EXPECT_EQ(label->picture().size(), QSize(200, 40));
    label->ShowFrame(bgr(64, 48, cv::Scalar(0, 0, 0)));
    EXPECT_EQ(label->picture().size(), QSize(64, 48));
}

// Decoded planes are scaled plane by plane, then converted once; an odd view
// gets an even picture one pixel larger, painted unscaled.
TEST_F(VideoLabelTest, PlanesLargerThanTheViewAreScaledToItThenConverted)
{
    label->resize(201, 99);
    label->show();
    ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }));
    cv::Mat frame = bgr(1920, 1080, cv::Scalar(0, 200, 0));
    frame.colRange(960, 1920).setTo(cv::Scalar(200, 0, 0));
    cv::Mat yv12;
    cv::cvtColor(frame, yv12, cv::COLOR_BGR2YUV_YV12);
    label->ShowPlanes(VideoPlanes::FromYv12(yv12.data, 1920, 1080));
    ASSERT_EQ(label->picture().size(), QSize(202, 100));
    // Converted once: asked again, the same picture is the same image.
    EXPECT_EQ(label->picture().cacheKey(), label->picture().cacheKey());
    const QImage shown = label->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(201, 99));
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <=
               6;
    };
    EXPECT_TRUE(near(shown.pixelColor(10, 50), QColor(0, 200, 0)));
    EXPECT_TRUE(near(shown.pixelColor(190, 50), QColor(0, 0, 200)));
    EXPECT_TRUE(near(shown.pixelColor(200, 98), QColor(0, 0, 200)));
}

TEST_F(VideoLabelTest, EmptyAndNonColourFramesKeepThePicture)
{
    label->ShowFrame(bgr(8, 8, cv::Scalar(0, 0, 255)));
    label->ShowFrame(cv::Mat());
    label->ShowFrame(cv::Mat(8, 8, CV_8UC1, cv::Scalar(0)));
    label->ShowFrame(cv::Mat(8, 8, CV_16UC3, cv::Scalar(0, 0, 0)));
    EXPECT_EQ(label->picture().size(), QSize(8, 8));
    EXPECT_EQ(label->picture().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(VideoLabelTest, IsShownUnlessSwitchedOff)
{
    EXPECT_TRUE(label->IsShown());
    label->hide();
    EXPECT_FALSE(label->IsShown());
    label->show();
    EXPECT_TRUE(label->IsShown());
}

TEST_F(VideoLabelTest, PictureIsPaintedScaledIntoTheWholeLabel)
{
    cv::Mat frame = bgr(20, 10, cv::Scalar(255, 0, 0));
    frame(cv::Rect(10, 0, 10, 10)).setTo(cv::Scalar(0, 255, 255)); // right half yellow
    label->ShowFrame(frame);
    const QImage shown = label->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(200, 100));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(0, 0, 255));
    EXPECT_EQ(shown.pixelColor(2, 97), QColor(0, 0, 255));
    EXPECT_EQ(shown.pixelColor(197, 2), QColor(255, 255, 0));
    EXPECT_EQ(shown.pixelColor(197, 97), QColor(255, 255, 0));
}

TEST_F(VideoLabelTest, FramesFromAnotherThreadRepaintTheShownLabel)
{
    label->show();
    ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }));
    QApplication::processEvents();
    PaintCounter counter;
    label->installEventFilter(&counter);
    std::thread camera([&] {
        for (int i = 0; i < 50; ++i)
            label->ShowFrame(bgr(20, 10, cv::Scalar(i, 0, 0)));
        label->ShowFrame(bgr(20, 10, cv::Scalar(0, 200, 0)));
    });
    camera.join();
    ASSERT_TRUE(waitUntil([&] { return counter.paints.load() > 0; }));
    EXPECT_EQ(label->picture().pixelColor(0, 0), QColor(0, 200, 0));
    // Repaints are coalesced: a burst of frames does not queue one paint each.
    QApplication::processEvents();
    EXPECT_LT(counter.paints.load(), 50);
    label->removeEventFilter(&counter);
}

} // namespace

// Decoded planes are converted straight into the window at the view's place:
// every pixel where it belongs and nothing beside the view touched, also
// when a sibling covers part of the view from an odd column and row.
TEST(VideoLabelWindow, PlanesArePaintedAtTheViewsPlaceAndNowhereElse)
{
    ensureApp();
    QWidget window;
    window.resize(300, 200);
    window.setAutoFillBackground(true);
    window.setPalette(QPalette(QColor(10, 20, 30)));
    const QRect view(31, 17, 201, 99);
    auto* label = new VideoLabel(&window, QStringLiteral("viewmain"));
    label->setGeometry(view);
    auto* cover = new QWidget(&window);
    cover->setAutoFillBackground(true);
    cover->setPalette(QPalette(QColor(250, 250, 250)));
    cover->setGeometry(200, 90, 20, 60);
    cover->hide();
    window.show();
    ASSERT_TRUE(waitUntil([&] { return label->isVisible(); }));
    PaintCounter counter;
    label->installEventFilter(&counter);
    // Noise at the view's (even) size: any pixel or chroma sample out of
    // place shows.
    cv::Mat yv12(150, 202, CV_8UC1);
    cv::randu(yv12, 0, 256);
    for (const bool covered : {false, true}) {
        cover->setVisible(covered);
        const int before = counter.paints.load();
        label->ShowPlanes(VideoPlanes::FromYv12(yv12.data, 202, 100));
        ASSERT_TRUE(waitUntil([&] { return counter.paints.load() > before; }));
        QApplication::processEvents();
        const QImage screen = window.windowHandle()->screen()->grabWindow(window.winId()).toImage();
        const QImage picture = label->picture();
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 300; ++x) {
                const QColor pixel = screen.pixelColor(x, y);
                if (covered && cover->geometry().contains(x, y)) {
                    ASSERT_EQ(pixel, QColor(250, 250, 250)) << x << "," << y;
                } else if (!view.contains(x, y)) {
                    ASSERT_EQ(pixel, QColor(10, 20, 30)) << x << "," << y;
                } else {
                    ASSERT_EQ(pixel, picture.pixelColor(x - view.x(), y - view.y()))
                        << x << "," << y;
                }
            }
        }
    }
}
