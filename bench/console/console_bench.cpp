// Figures for the whole console under load: the main camera plays 1920 x
// 1080 at 25 fps into the large view, the back camera into the small one,
// and crawler-sim sends status records at 20 Hz throughout.
//  - press on the drive pad (a real mouse event) until the SetCarPwm frame
//    has left the socket (the command is written on the GUI thread before
//    the press returns), and until crawler-sim reports it;
//  - status record handed over on another thread (as the link library does)
//    until the read-out label showing it is repainted;
//  - lateness of a 10 ms GUI timer while a 1080p recording runs.
#include "ColorButton.h"
#include "ConsoleBench.h"
#include "DisplayPanle.h"
#include "SimProcess.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "privateconsolehome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPresses = 300;
constexpr int kRecords = 300;
constexpr int kDefaultRecordSeconds = 10;
constexpr int kMsPerSecond = 1000;
constexpr int kBetweenMs = 20;
constexpr int kTickMs = 10;
constexpr int kWaitMs = 20000;
constexpr int kRight = 1;
constexpr int kPascalPerKilo = 1000;
constexpr double kSectorMiddle = 0.36;
constexpr std::chrono::milliseconds kSimWait(20000);

double milli(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void printFigures(const char* what, std::vector<double> samples)
{
    if (samples.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[static_cast<size_t>(q * static_cast<double>(samples.size() - 1))];
    };
    std::printf("%s: n=%zu median=%.3f ms p90=%.3f ms p99=%.3f ms max=%.3f ms\n", what,
                samples.size(), at(0.5), at(0.9), at(0.99), samples.back());
    std::fflush(stdout);
}

bool waitUntil(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > kWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kTickMs);
    }
    return true;
}

// Notes when the watched label paints the awaited text.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    void await(const QString& text)
    {
        m_text = text;
        m_painted = false;
    }
    bool painted() const { return m_painted; }
    Clock::time_point when() const { return m_when; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint && !m_painted &&
            m_label->text() == m_text) {
            m_painted = true;
            m_when = Clock::now();
        }
        return false;
    }

private:
    QLabel* m_label;
    QString m_text;
    bool m_painted = false;
    Clock::time_point m_when;
};

void benchPadPress(mainWidgets& console, simtest::SimProcess& sim)
{
    QWidget* pad = console.findChild<QWidget*>("drivePad");
    const QPoint right =
        pad->rect().center() +
        QPoint(static_cast<int>(std::min(pad->width(), pad->height()) * kSectorMiddle), 0);
    std::vector<double> written;
    std::vector<double> received;
    for (int i = 0; i < kPresses; ++i) {
        const size_t before = sim.linesStartingWith("cmd SetCarPwm").size();
        const Clock::time_point t0 = Clock::now();
        QTest::mousePress(pad, Qt::LeftButton, {}, right);
        written.push_back(milli(Clock::now() - t0));
        if (sim.waitForPrefixCount("cmd SetCarPwm", before + 1, kSimWait))
            received.push_back(milli(Clock::now() - t0));
        QTest::mouseRelease(pad, Qt::LeftButton, {}, right);
        QTest::qWait(kBetweenMs); // video and telemetry run in between
    }
    printFigures("pad press -> command frame written to the socket", written);
    printFigures("pad press -> command printed by crawler-sim", received);
}

void benchStatusRecord(mainWidgets& console)
{
    auto* panel = console.findChild<DisplayPanle*>("displayPanle");
    PaintWatch watch(panel->m_pBodyAirPressure);
    std::vector<double> samples;
    for (int i = 1; i <= kRecords; ++i) {
        LinkStatusRecord record{};
        record.Car_Pressure = (i + 1) * kPascalPerKilo; // differs from the simulator's
        watch.await(QString::fromUtf8("车体气压：%1 kpa").arg(i + 1));
        const Clock::time_point t0 = Clock::now();
        std::thread link([&] { console.OnStatusData(&record); });
        link.join();
        if (waitUntil([&] { return watch.painted(); }))
            samples.push_back(milli(watch.when() - t0));
        QTest::qWait(kBetweenMs);
    }
    printFigures("status record -> read-out label repainted", samples);
}

void benchRecordingLateness(mainWidgets& console, int seconds)
{
    auto* record = console.findChild<ColorButton*>("F1");
    if (!waitUntil([&] {
            if (!record->isPressedLook())
                QTest::mouseClick(record, Qt::LeftButton);
            return record->isPressedLook();
        })) {
        std::printf("recording did not start\n");
        return;
    }
    bench::GuiLateness lateness;
    lateness.start();
    QTest::qWait(seconds * kMsPerSecond);
    lateness.stop();
    QTest::mouseClick(record, Qt::LeftButton);
    printFigures("GUI event loop lateness (10 ms timer) while recording 1080p", lateness.samples());
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRecordSeconds;
    const PrivateConsoleHome home;
    QApplication app(argc, argv);

    simtest::SimProcess sim;
    if (!sim.start({"-v"})) {
        std::printf("crawler-sim did not start\n");
        return 1;
    }
    SetQStringFromIni("/com/ip", "127.0.0.1");
    SetQStringFromIni("/com/port", QString::number(sim.port()));
    SetQStringFromIni("/lognone/ip", "sim:main?w=1920&h=1080&fps=25");
    SetQStringFromIni("/logntwo/ip", "sim:back?w=640&h=360&fps=25");
    SetQStringFromIni("/came/fps", "25");

    mainWidgets console;
    console.show();
    if (!waitUntil([&] { return !sim.linesStartingWith("cmd ResetControl").empty(); }) ||
        !waitUntil([&] { return console.cameraLogins().allLoggedIn(); })) {
        std::printf("the console did not open the link and the cameras\n");
        return 1;
    }
    benchPadPress(console, sim);
    benchStatusRecord(console);
    benchRecordingLateness(console, seconds);
    return 0;
}
