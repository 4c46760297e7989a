// What the live picture costs, the Moravel program against plain programs
// doing the same job on the same stream in the same run: GStreamer's RTSP
// server on 127.0.0.1 sends H.264 1920 x 1080 at 25 fps (moving colour
// bars), fetched over RTSP/TCP. The programs take turns, one at a time, in
// windows of the given length; CPU is % of one core (user + system from
// /proc), memory the resident set. The load average is printed beside each
// window: the machine is shared, so only figures of one run compare.
//
//   view    Moravel viewing (overlay on, back camera a simulated 640 x 480,
//           small view off) against gst-launch-1.0 rtspsrc latency=0 !
//           decodebin ! videoconvert ! ximagesink;
//   record  Moravel recording (MPEG-4 Part 2) against ffmpeg cropping,
//           drawing the overlay's texts and encoding MPEG-4 Part 2 at the
//           same fixed quantiser;
//   two     two such cameras in Moravel in this process, the main one
//           processed and recorded, the back one in the small view, for
//           the given time: frames the views showed and the file holds
//           against 25 a second, and the lateness of the GUI event loop.
//
//   DISPLAY=:80 live_cost_bench [parts, default view,record,two]
//       [window seconds, default 20] [rounds, default 3] [two-camera seconds, default 60]
//
// Needs an X display of its own (an Xvfb of 1920 x 1080 x 24 nobody else
// draws on). Figures go to standard error.
#include "BenchSupport.h"
#include "ConsoleBench.h"
#include "SimProcess.h"
#include "liveprograms.h"
#include "mainwidgets.h"
#include "mediaprobe.h"
#include "privateconsolehome.h"
#include "rtspcamera.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kDefaultWindowSeconds = 20;
constexpr int kDefaultRounds = 3;
constexpr int kDefaultTwoCameraSeconds = 60;
constexpr int kMsPerSecond = 1000;
constexpr int kFps = 25;
constexpr int kWaitMs = 60000;
constexpr int kFinishMs = 20000;
// The recorder's fixed MPEG-4 Part 2 quantiser (peers/recorder/Mp4Open.cpp).
constexpr int kQuantiser = 3;
// The texts of the console's overlay (liveprograms.cpp) at its places on a
// 1596 x 1080 picture: the distance and the date at 150 and 561 on row
// 13 x 77, the field column at 150 from 38, size 30, 38 apart.
const QString kOverlayFilter = QStringLiteral(
    "crop=1596:1080:162:0,"
    "drawtext=fontfile=%1:fontsize=50:fontcolor=red:x=150:y=1001:text='0.00 M',"
    "drawtext=fontfile=%1:fontsize=50:fontcolor=red:x=561:y=1001:"
    "text='%{localtime\\:%Y-%m-%d %H\\\\\\:%M\\\\\\:%S}',"
    "drawtext=fontfile=%1:fontsize=30:fontcolor=red:x=150:y=38:line_spacing=8:textfile=%2");
const QString kFieldColumn = QStringLiteral("人民路\nY1-Y2\n800");
const QString kFont = QStringLiteral("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");

RtspCamera::Options fullHd()
{
    RtspCamera::Options options;
    options.width = 1920;
    options.height = 1080;
    return options;
}

// The threads' mean CPU, the busiest first.
void printThreads(const std::map<std::string, double>& sums, int windows)
{
    std::vector<std::pair<double, std::string>> threads;
    for (const auto& [name, percent] : sums)
        threads.emplace_back(percent / windows, name);
    std::sort(threads.rbegin(), threads.rend());
    std::fprintf(stderr, "  by thread:");
    for (const auto& [percent, name] : threads)
        std::fprintf(stderr, " %s %.1f %%;", name.c_str(), percent);
    std::fprintf(stderr, "\n");
}

// Runs the programs in turn and prints their mean CPU and memory.
std::map<QString, livecost::Usage> compare(const std::vector<livecost::LiveProgram*>& programs,
                                           int windowSeconds, int rounds)
{
    std::map<QString, livecost::Usage> total;
    std::map<QString, int> windows;
    const bool ran =
        livecost::alternate(programs, rounds, [&](livecost::LiveProgram& program, int) {
            const livecost::Usage usage =
                livecost::measureUsage(program.pid(), windowSeconds * kMsPerSecond);
            std::fprintf(stderr, "  CPU %.1f %%, memory %.0f MB (highest %.0f MB)\n",
                         usage.cpuPercent, usage.meanRssMb, usage.maxRssMb);
            livecost::Usage& sum = total[program.name()];
            sum.cpuPercent += usage.cpuPercent;
            sum.meanRssMb += usage.meanRssMb;
            sum.maxRssMb = std::max(sum.maxRssMb, usage.maxRssMb);
            for (const auto& [thread, percent] : usage.threadPercent)
                sum.threadPercent[thread] += percent;
            ++windows[program.name()];
        });
    if (!ran)
        return {};
    for (auto& [name, usage] : total) {
        usage.cpuPercent /= windows[name];
        usage.meanRssMb /= windows[name];
        std::fprintf(stderr, "%s: CPU %.1f %%, memory %.0f MB (highest %.0f MB)\n",
                     qPrintable(name), usage.cpuPercent, usage.meanRssMb, usage.maxRssMb);
        printThreads(usage.threadPercent, windows[name]);
    }
    return total;
}

void benchViewing(const QString& display, int simPort, int windowSeconds, int rounds)
{
    RtspCamera camera(fullHd());
    if (!camera.start()) {
        std::fprintf(stderr, "the RTSP camera did not start\n");
        return;
    }
    std::fprintf(stderr, "viewing one H.264 1920 x 1080 camera at 25 fps:\n");
    const auto console = livecost::consoleProgram({display, simPort, camera.url()});
    const auto gstreamer = livecost::gstreamerPlayer(display, camera.url());
    auto usage = compare({console.get(), gstreamer.get()}, windowSeconds, rounds);
    if (usage.empty())
        return;
    const livecost::Usage moravel = usage[console->name()];
    const livecost::Usage gst = usage[gstreamer->name()];
    std::fprintf(stderr,
                 "viewing: Moravel / GStreamer CPU %.2f (target at most 1.2), Moravel memory "
                 "%.0f MB (target at most 150)\n",
                 gst.cpuPercent > 0 ? moravel.cpuPercent / gst.cpuPercent : 0.0, moravel.maxRssMb);
}

void benchRecording(const QString& display, int simPort, int windowSeconds, int rounds)
{
    RtspCamera camera(fullHd());
    QTemporaryDir folder;
    QFile fields(folder.path() + "/fields.txt");
    if (!camera.start() || !fields.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "the RTSP camera did not start\n");
        return;
    }
    fields.write(kFieldColumn.toUtf8());
    fields.close();
    const QString output = folder.path() + "/ffmpeg.mp4";
    std::fprintf(stderr,
                 "recording one H.264 1920 x 1080 camera at 25 fps (MPEG-4 Part 2, "
                 "quantiser %d):\n",
                 kQuantiser);
    const auto console = livecost::consoleProgram({display, simPort, camera.url(), true});
    const auto ffmpeg = livecost::commandProgram(
        {QStringLiteral("ffmpeg"),
         display,
         QStringLiteral("ffmpeg"),
         {"-nostdin", "-loglevel", "error", "-rtsp_transport", "tcp", "-i",
          QString::fromStdString(camera.url()), "-vf", kOverlayFilter.arg(kFont, fields.fileName()),
          "-c:v", "mpeg4", "-q:v", QString::number(kQuantiser), "-y", output},
         [output] { return QFileInfo(output).size() > 0; },
         kWaitMs});
    auto usage = compare({console.get(), ffmpeg.get()}, windowSeconds, rounds);
    if (usage.empty())
        return;
    const livecost::Usage moravel = usage[console->name()];
    const livecost::Usage reference = usage[ffmpeg->name()];
    std::fprintf(stderr, "recording: Moravel / ffmpeg CPU %.2f (target at most 1.0)\n",
                 reference.cpuPercent > 0 ? moravel.cpuPercent / reference.cpuPercent : 0.0);
}

void benchTwoCameras(int seconds)
{
    RtspCamera mainCamera(fullHd());
    RtspCamera backCamera(fullHd());
    if (!mainCamera.start() || !backCamera.start()) {
        std::fprintf(stderr, "the RTSP cameras did not start\n");
        return;
    }
    // The console in this process; the programs of the other parts are gone.
    const PrivateConsoleHome home;
    simtest::SimProcess sim;
    const QString folder = home.path() + QStringLiteral("/save/");
    QDir().mkpath(folder);
    if (!bench::StartConsoleBench(sim, folder))
        return;
    SetQStringFromIni("/lognone/ip", QString::fromStdString(mainCamera.url()));
    SetQStringFromIni("/logntwo/ip", QString::fromStdString(backCamera.url()));
    SetQStringFromIni("/systemconfig/startflag", "1");
    SetQStringFromIni("/systemconfig/location", QStringLiteral("人民路"));
    std::fprintf(stderr,
                 "two H.264 1920 x 1080 cameras at 25 fps, the main one recorded, the back one "
                 "in the small view, for %d s (load %s):\n",
                 seconds, bench::LoadAverage().c_str());
    mainWidgets console;
    console.show();
    console.GetOpenBackCame(true);
    const auto* large = console.findChild<VideoLabel*>("viewmain");
    const auto* small = console.findChild<VideoLabel*>("view");
    QElapsedTimer waited;
    waited.start();
    const auto bothShow = [&] {
        const std::vector<int> shown = bench::PicturesShown({large, small}, kMsPerSecond);
        return shown[0] > 0 && shown[1] > 0;
    };
    while (!console.cameraLogins().allLoggedIn() || !bothShow()) {
        if (waited.elapsed() > kWaitMs) {
            std::fprintf(stderr, "  no pictures from both cameras\n");
            return;
        }
    }
    std::fprintf(stderr, "  large view %d x %d, small view %d x %d\n", large->width(),
                 large->height(), small->width(), small->height());
    bench::GuiLateness lateness;
    lateness.start();
    QTest::keyClick(&console, Qt::Key_F1);
    QElapsedTimer ran;
    ran.start();
    const std::vector<int> shown = bench::PicturesShown({large, small}, seconds * kMsPerSecond);
    QTest::keyClick(&console, Qt::Key_F1);
    const double ranSeconds = ran.elapsed() / static_cast<double>(kMsPerSecond);
    lateness.stop();
    bench::PicturesShown({}, kFinishMs); // the file is finished meanwhile
    const QStringList files = QDir(folder).entryList({"*.mp4"}, QDir::Files);
    const std::string path = files.size() == 1 ? (folder + files.front()).toStdString() : "";
    const int frames = path.empty() ? 0 : decodedFrames(path);
    const double expected = ranSeconds * kFps;
    std::fprintf(stderr,
                 "  large view %d pictures, small view %d, file %d frames (%.2f s), against %.0f "
                 "at 25 fps: %.0f frames short in the file\n",
                 shown[0], shown[1], frames, path.empty() ? 0.0 : probedDuration(path), expected,
                 std::max(0.0, expected - frames));
    const auto& samples = lateness.samples();
    std::fprintf(stderr,
                 "  GUI event loop lateness (10 ms timer): median %.2f ms, p99 %.2f ms (target "
                 "under 10), max %.2f ms; load %s\n",
                 bench::Percentile(samples, 0.5), bench::Percentile(samples, 0.99),
                 bench::Percentile(samples, 1.0), bench::LoadAverage().c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const QString parts = argc > 1 ? QString::fromLatin1(argv[1]) : "view,record,two";
    const int windowSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultWindowSeconds;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : kDefaultRounds;
    const int twoSeconds = argc > 4 ? std::max(1, std::atoi(argv[4])) : kDefaultTwoCameraSeconds;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "no X display: run with DISPLAY set\n");
        return 1;
    }
    QApplication app(argc, argv);
    std::fprintf(stderr, "load average before: %s\n", bench::LoadAverage().c_str());
    if (parts.contains("view") || parts.contains("record")) {
        simtest::SimProcess sim;
        if (!sim.start({})) {
            std::fprintf(stderr, "crawler-sim did not start\n");
            return 1;
        }
        if (parts.contains("view"))
            benchViewing(display, sim.port(), windowSeconds, rounds);
        if (parts.contains("record"))
            benchRecording(display, sim.port(), windowSeconds, rounds);
    }
    if (parts.contains("two"))
        benchTwoCameras(twoSeconds);
    std::fprintf(stderr, "load average after: %s\n", bench::LoadAverage().c_str());
    return 0;
}
