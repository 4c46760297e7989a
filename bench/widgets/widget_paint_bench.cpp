// Median paint time of the right column (speed dial, pads) and the attitude block at the
// sizes they get in the 1920 x 1040 console, painted offscreen.
#include "GaugeCloud.h"
#include "GaugeSpeed.h"
#include "PanelSpeed.h"
#include "PitchPanel.h"
#include "RollingPanel.h"
#include "StatusPanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLoggingCategory>
#include <QMouseEvent>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

namespace {

constexpr int kSamples = 300;
constexpr int kWarmUp = 5;

// Console 1920 x 1040: the right column is 2/10 of the width and spans the 6/10 + 3/10 rows;
// its pads share the lower six of ten grid rows. The attitude block takes 7/10 of the bottom
// band's width and two of its three rows, split over 17 grid columns.
constexpr int kColumnWidth = 1920 * 2 / 10;
constexpr int kColumnHeight = 1040 * 9 / 10;
const QSize kPad(kColumnWidth, kColumnHeight * 6 / 10 / 2);
const QSize kSpeedDial(kColumnWidth * 5 / 9, kColumnHeight * 4 / 10 * 11 / 20);
constexpr int kBandWidth = 1920 * 6 / 10;
const QSize kAttitudeBlock(kBandWidth * 7 / 10, 1040 * 3 / 10 * 2 / 3);
const QSize kAttitudePart(kAttitudeBlock.width() * 4 / 17, kAttitudeBlock.height() * 5 / 6);

struct Figure {
    double firstMs;
    double medianMs;
    bool samePixels;
};

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    widget.render(&image, QPoint(), QRegion(),
                  QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

Figure measure(QWidget& widget)
{
    QElapsedTimer timer;
    timer.start();
    const QImage first = render(widget);
    const double firstMs = timer.nsecsElapsed() / 1e6;
    for (int i = 0; i < kWarmUp; ++i)
        render(widget);
    std::vector<double> samples;
    samples.reserve(kSamples);
    QImage last;
    for (int i = 0; i < kSamples; ++i) {
        timer.restart();
        last = render(widget);
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(samples.begin(), samples.begin() + kSamples / 2, samples.end());
    return {firstMs, samples[kSamples / 2], first == last};
}

void report(const char* name, QWidget& widget)
{
    const Figure f = measure(widget);
    std::printf("%-28s %4d x %-4d  first %7.3f ms  median %7.3f ms  %s\n", name, widget.width(),
                widget.height(), f.firstMs, f.medianMs,
                f.samePixels ? "same pixels" : "PIXELS DIFFER");
}

// What a pad paint would cost if it loaded and scaled its pictures every time.
double medianLoadAndScaleMs()
{
    const char* const pictures[] = {":/images/Others/panel.png",
                                    ":/icons/Discolour/press_top.png",
                                    ":/icons/Transparent/Direction.png",
                                    ":/icons/Transparent/Direct_forward.png",
                                    ":/icons/Transparent/Direct_back.png",
                                    ":/icons/Transparent/Direct_turnRight.png",
                                    ":/icons/Transparent/Direct_turnLeft.png"};
    const int sides[] = {198, 198, 40, 30, 30, 30, 30};
    std::vector<double> samples;
    QElapsedTimer timer;
    for (int i = 0; i < kSamples / 10; ++i) {
        timer.restart();
        for (std::size_t p = 0; p < std::size(pictures); ++p)
            QPixmap(pictures[p])
                .scaled(sides[p], sides[p], Qt::KeepAspectRatio, Qt::SmoothTransformation);
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return samples[samples.size() / 2];
}

void press(QWidget& widget, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void setUpDrivePad(GaugeCloud& pad)
{
    pad.setCenterText(":/icons/Transparent/Direction.png", ":/icons/Discolour/press_center.png");
    pad.setIconText(":/icons/Transparent/Direct_forward.png", ":/icons/Discolour/press_top.png", 3);
    pad.setIconText(":/icons/Transparent/Direct_back.png", ":/icons/Discolour/press_bottpm.png", 4);
    pad.setIconText(":/icons/Transparent/Direct_turnRight.png", ":/icons/Discolour/press_right.png",
                    1);
    pad.setIconText(":/icons/Transparent/Direct_turnLeft.png", ":/icons/Discolour/press_left.png",
                    2);
    pad.resize(kPad);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The widgets trace every value; keep the figures readable.
    QLoggingCategory::setFilterRules("*.debug=false");

    std::printf("widget paint, %d samples each, offscreen\n", kSamples);

    GaugeSpeed speed;
    speed.resize(kSpeedDial);
    speed.SetCurrentValue(35);
    report("speed dial", speed);

    GaugeCloud idlePad(nullptr, GaugeCloud::Drive);
    setUpDrivePad(idlePad);
    report("drive pad, idle", idlePad);

    GaugeCloud latchedPad(nullptr, GaugeCloud::Drive);
    setUpDrivePad(latchedPad);
    latchedPad.updateUpDowmStatus(1);
    report("drive pad, forward latched", latchedPad);

    GaugeCloud heldPad(nullptr, GaugeCloud::Momentary);
    setUpDrivePad(heldPad);
    render(heldPad);
    press(heldPad, heldPad.rect().center());
    report("pad, centre held", heldPad);
    std::printf("%-28s              saved per pad paint by the picture cache: %.3f ms\n",
                "pad pictures load + scale", medianLoadAndScaleMs());

    PanelSpeed rollDial(nullptr, ":/images/Others/rollingspeed.png");
    rollDial.resize(kAttitudePart);
    rollDial.SetCurrentValue(-12);
    report("roll dial", rollDial);

    RollingPanel rolling;
    rolling.resize(kAttitudePart);
    rolling.SetAngle(-12);
    report("rolling picture", rolling);

    PitchPanel pitch;
    pitch.resize(kAttitudePart);
    pitch.SetAngle(7);
    report("pitching picture", pitch);

    StatusPanel block;
    block.resize(kAttitudeBlock);
    block.SetRollingPanel(-12);
    block.SetPitchPanel(7);
    report("attitude block (all parts)", block);
    return 0;
}
