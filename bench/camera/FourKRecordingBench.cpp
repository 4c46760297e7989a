// The whole console (mainWidgets, offscreen) recording a 3840 x 2160 camera
// at 25 fps with crawler-sim on 127.0.0.1, with one codec setting: the
// default (MPEG-4 Part 2, stored scaled down to what its levels take) or
// h264 (the full size). Printed: the frame rate the large view shows and the
// file holds, the process's CPU, its peak memory, the file's length against
// the time recorded. The machine's load average is printed first and last:
// the figures only mean something beside it. One codec per run, so the peak
// memory is that recording's.
//
//   camera_4k_bench [seconds, default 30] [default|h264] [rtsp]
//
// Without "rtsp" the camera is the built-in simulated one (raw pictures: no
// decoding); with it, GStreamer's RTSP server sending H.264, whose encoder
// runs on the same machine and may itself fall short of 25 fps.
// Figures go to standard error; standard output (the camera library's
// timing lines) is dropped.
#include "ConsoleBench.h"
#include "FieldCamera.h"
#include "mainwidgets.h"
#include "mediaprobe.h"
#include "privateconsolehome.h"
#include "processmemory.h"
#include "videolabel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kDefaultSeconds = 30;
constexpr int kWaitMs = 60000;

// Runs the event loop for ms, counting the pictures the large view shows.
int picturesShown(const VideoLabel* view, int ms)
{
    return bench::PicturesShown({view}, ms).front();
}

void benchCodec(const char* name, const char* setting, int seconds, const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    SetQStringFromIni("/came/codec", QString::fromLatin1(setting));
    mainWidgets console;
    console.show();
    const auto* view = console.findChild<VideoLabel*>("viewmain");
    QElapsedTimer wait;
    wait.start();
    while (console.cameraLogins().userId(0) < 0 || picturesShown(view, 1000) == 0) {
        if (wait.elapsed() > kWaitMs) {
            std::fprintf(stderr, "%s: no picture from the camera\n", name);
            return;
        }
    }
    picturesShown(view, 2000); // settled
    const double cpuBefore = bench::ProcessCpuSeconds();
    QElapsedTimer ran;
    QTest::keyClick(&console, Qt::Key_F1);
    ran.start();
    const int shown = picturesShown(view, seconds * 1000);
    QTest::keyClick(&console, Qt::Key_F1);
    const double ranSeconds = ran.elapsed() / 1000.0;
    const double cpu = bench::ProcessCpuSeconds() - cpuBefore;
    const QStringList files = QDir(folder).entryList({"*.mp4"}, QDir::Files);
    picturesShown(view, 15000); // the file is finished meanwhile
    if (files.size() != 1) {
        std::fprintf(stderr, "%s: %lld files\n", name, static_cast<long long>(files.size()));
        return;
    }
    const std::string path = (folder + files.front()).toStdString();
    const auto video = probeVideo(path);
    const int frames = decodedFrames(path);
    const double length = probedDuration(path);
    std::fprintf(stderr,
                 "%s: view %.1f fps, file %s x %s at %.1f fps (%d frames), CPU %.0f %% of one "
                 "core, file %.2f s for %.2f s recorded, peak memory %.0f MB\n",
                 name, shown / ranSeconds, video.count("width") ? video.at("width").c_str() : "?",
                 video.count("height") ? video.at("height").c_str() : "?",
                 length > 0 ? frames / length : 0.0, frames, 100 * cpu / ranSeconds, length,
                 ranSeconds, peakResidentMegabytes());
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;
    const bool h264 = argc > 2 && std::string(argv[2]) == "h264";
    const bool rtsp = argc > 3 && std::string(argv[3]) == "rtsp";
    const PrivateConsoleHome home;
    QApplication app(argc, argv);
    std::fprintf(stderr, "load average before: %s\n", bench::LoadAverage().c_str());
    simtest::SimProcess sim;
    const QString folder = home.path() + QStringLiteral("/save/");
    if (!bench::StartConsoleBench(sim, folder))
        return 1;
    std::unique_ptr<RtspCamera> camera;
    if (rtsp) {
        RtspCamera::Options options = coretest::fieldCamera("25", "h264");
        options.width = 3840;
        options.height = 2160;
        camera = std::make_unique<RtspCamera>(options);
        if (!camera->start()) {
            std::fprintf(stderr, "the RTSP camera did not start\n");
            return 1;
        }
        coretest::setMainCamera(camera->port());
    } else {
        SetQStringFromIni("/lognone/ip", "sim:main?w=3840&h=2160&fps=25");
    }
    std::fprintf(stderr, "recording a 3840 x 2160 %s camera at 25 fps for %d s:\n",
                 rtsp ? "RTSP H.264" : "simulated", seconds);
    if (h264)
        benchCodec("h264", "h264", seconds, folder);
    else
        benchCodec("default codec (MPEG-4 Part 2)", "", seconds, folder);
    std::fprintf(stderr, "load average after: %s\n", bench::LoadAverage().c_str());
    return 0;
}
