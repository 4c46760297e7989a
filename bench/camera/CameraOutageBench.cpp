// The whole console (mainWidgets, offscreen) with GStreamer's RTSP server as
// the main camera (bare address, digest authentication, 800 x 450 H.264) and
// crawler-sim on 127.0.0.1:
//  - loss shown: camera killed until the large view shows the no-video picture;
//  - recovery: camera back (listening again) after a 5 s outage, and after a
//    15 s stall (process stopped), until the view shows live video again;
//  - recording length error: F1 to F1 against the file's duration, for a
//    25 fps and a 12.5 fps camera into a 25 fps file;
//  - link with hanging cameras: constructor to the link opened, while both
//    cameras take connections and never answer; and the close meanwhile;
//  - connection changes as the connection dialog saves them: a corrected
//    main camera port, from the save to the camera logged in and to its
//    picture in the large view; a link port moved between two crawler-sims,
//    from the save to the new crawler's reset; the back camera untouched.
// Run: <build>/bin/camera_outage_bench [rounds, default 3] [recording seconds, default 20]
// Figures go to standard error; standard output (the camera library's timing lines) is dropped.
#include "ConsoleBench.h"
#include "FieldCamera.h"
#include "NoVideoCheck.h"
#include "SimProcess.h"
#include "inisettings.h"
#include "mainwidgets.h"
#include "mediaprobe.h"
#include "privateconsolehome.h"
#include "videolabel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kDefaultRounds = 3;
constexpr int kDefaultRecordSeconds = 20;
constexpr int kOutageMs = 5000;
constexpr int kStallMs = 15000;
constexpr int kWaitMs = 60000;
constexpr int kPollMs = 5;

void printFigures(const char* what, const std::vector<double>& samples)
{
    std::fprintf(stderr, "%s: n=%zu median=%.3f ms max=%.3f ms\n", what, samples.size(),
                 bench::Percentile(samples, 0.5), bench::Percentile(samples, 1.0));
}

// Milliseconds until the condition holds (events keep flowing); -1 if never.
double msUntil(const std::function<bool()>& condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > kWaitMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void runFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    msUntil([&] { return timer.elapsed() >= ms; });
}

bool showsLive(const VideoLabel* view)
{
    const QImage picture = view->picture();
    return !picture.isNull() && !coretest::showsNoVideo(picture);
}

std::unique_ptr<mainWidgets> liveConsole()
{
    auto console = std::make_unique<mainWidgets>();
    console->show();
    const auto* view = console->findChild<VideoLabel*>(QStringLiteral("viewmain"));
    if (msUntil([&] { return console->cameraLogins().allLoggedIn() && showsLive(view); }) < 0)
        return nullptr;
    return console;
}

void benchOutages(int rounds)
{
    RtspCamera camera(coretest::fieldCamera("25"));
    if (!camera.start())
        return;
    coretest::setMainCamera(camera.port());
    const auto console = liveConsole();
    if (!console) {
        std::fprintf(stderr, "no live picture from the camera\n");
        return;
    }
    const auto* view = console->findChild<VideoLabel*>(QStringLiteral("viewmain"));
    std::vector<double> shown;
    std::vector<double> back;
    std::vector<double> backAfterStall;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer outage;
        camera.kill();
        outage.start();
        shown.push_back(msUntil([&] { return coretest::showsNoVideo(view->picture()); }));
        runFor(static_cast<int>(kOutageMs - outage.elapsed()));
        if (!camera.start())
            return;
        back.push_back(msUntil([&] { return showsLive(view); }));

        QElapsedTimer stall;
        camera.freeze();
        stall.start();
        shown.push_back(msUntil([&] { return coretest::showsNoVideo(view->picture()); }));
        runFor(static_cast<int>(kStallMs - stall.elapsed()));
        camera.thaw();
        backAfterStall.push_back(msUntil([&] { return showsLive(view); }));
    }
    printFigures("loss shown in the large view after the camera went", shown);
    printFigures("picture back after a 5 s outage, from the camera's return", back);
    printFigures("picture back after a 15 s stall, from the stall's end", backAfterStall);
}

void benchRecording(const char* fps, int seconds, const QString& folder)
{
    RtspCamera camera(coretest::fieldCamera(fps));
    if (!camera.start())
        return;
    coretest::setMainCamera(camera.port());
    const auto console = liveConsole();
    if (!console)
        return;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QElapsedTimer ran;
    QTest::keyClick(console.get(), Qt::Key_F1);
    ran.start();
    runFor(seconds * 1000);
    QTest::keyClick(console.get(), Qt::Key_F1);
    const double ranSeconds = static_cast<double>(ran.nsecsElapsed()) / 1e9;
    const QStringList files = QDir(folder).entryList({QStringLiteral("*.mp4")}, QDir::Files);
    if (files.size() != 1) {
        std::fprintf(stderr, "recording from a %s fps camera: no file\n", fps);
        return;
    }
    const QString path = folder + files.front();
    const double duration = probedDuration(path.toStdString());
    std::fprintf(stderr,
                 "recording from a %s fps camera into a 25 fps file: ran %.3f s, plays %.3f s, "
                 "error %.3f s (%.2f %%), %.2f Mbit/s\n",
                 fps, ranSeconds, duration, duration - ranSeconds,
                 100.0 * (duration - ranSeconds) / ranSeconds,
                 static_cast<double>(QFileInfo(path).size()) * 8 / duration / 1e6);
}

size_t resetsOf(const simtest::SimProcess& sim)
{
    return sim.linesStartingWith("cmd ResetControl").size();
}

void benchConnectionChanges(int rounds, simtest::SimProcess& sim)
{
    RtspCamera camera(coretest::fieldCamera("25"));
    simtest::SimProcess second;
    if (!camera.start() || !second.start({"-v"}))
        return;
    coretest::setMainCamera(camera.port());
    const auto console = liveConsole();
    if (!console)
        return;
    const auto* view = console->findChild<VideoLabel*>(QStringLiteral("viewmain"));
    const CameraLogins& cameras = console->cameraLogins();
    const int backId = cameras.userId(1);
    const auto save = [&](const char* key, int port, bool mainCamera) {
        SetQStringFromIni(key, QString::number(port));
        ConnectionConsole::Changes changes;
        changes.cameras[0] = mainCamera;
        changes.link = !mainCamera;
        console->applyConnectionChanges(changes);
    };
    simtest::SimProcess* const crawlers[] = {&second, &sim};
    std::vector<double> loggedIn;
    std::vector<double> picture;
    std::vector<double> linkMoved;
    for (int round = 0; round < rounds; ++round) {
        save("/lognone/port", camera.port() + 1, true); // nothing listens there
        if (msUntil([&] { return coretest::showsNoVideo(view->picture()); }) < 0)
            return;
        QElapsedTimer saved;
        saved.start();
        save("/lognone/port", camera.port(), true);
        if (msUntil([&] { return cameras.userId(0) >= 0; }) < 0)
            return;
        loggedIn.push_back(static_cast<double>(saved.nsecsElapsed()) / 1e6);
        if (msUntil([&] { return showsLive(view); }) < 0)
            return;
        picture.push_back(static_cast<double>(saved.nsecsElapsed()) / 1e6);

        simtest::SimProcess& target = *crawlers[round % 2];
        const size_t resets = resetsOf(target);
        saved.start();
        save("/com/port", target.port(), false);
        if (msUntil([&] { return resetsOf(target) > resets; }) < 0)
            return;
        linkMoved.push_back(static_cast<double>(saved.nsecsElapsed()) / 1e6);
    }
    printFigures("corrected camera port: logged in after the save", loggedIn);
    printFigures("corrected camera port: picture in the large view after the save", picture);
    printFigures("new link port: the new crawler's reset after the save", linkMoved);
    std::fprintf(stderr, "back camera logged in again meanwhile: %s\n",
                 cameras.userId(1) == backId ? "no" : "yes");
    SetQStringFromIni("/com/port", QString::number(sim.port()));
}

void benchHangingCameras(int rounds, simtest::SimProcess& sim)
{
    QTcpServer main;
    QTcpServer back;
    main.listen(QHostAddress::LocalHost, 0);
    back.listen(QHostAddress::LocalHost, 0);
    SetQStringFromIni("/lognone/ip", "127.0.0.1");
    SetQStringFromIni("/lognone/port", QString::number(main.serverPort()));
    SetQStringFromIni("/logntwo/ip", "127.0.0.1");
    SetQStringFromIni("/logntwo/port", QString::number(back.serverPort()));
    std::vector<double> linkOpen;
    std::vector<double> closing;
    for (int round = 0; round < rounds; ++round) {
        const size_t resets = resetsOf(sim);
        QElapsedTimer made;
        made.start();
        auto console = std::make_unique<mainWidgets>();
        console->show();
        // The console sends its reset from its event loop, which must run.
        if (msUntil([&] { return resetsOf(sim) > resets; }) < 0) {
            std::fprintf(stderr, "hanging cameras: the link did not open\n");
            return;
        }
        linkOpen.push_back(static_cast<double>(made.nsecsElapsed()) / 1e6);
        // Close while both logins wait for an answer.
        runFor(500);
        QElapsedTimer close;
        close.start();
        console.reset();
        closing.push_back(static_cast<double>(close.nsecsElapsed()) / 1e6);
    }
    printFigures("link open after the console was made, both cameras hanging", linkOpen);
    printFigures("console closed during hanging logins", closing);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRecordSeconds;
    const PrivateConsoleHome home;
    QApplication app(argc, argv);
    simtest::SimProcess sim;
    const QString folder = home.path() + QStringLiteral("/save/");
    if (!bench::StartConsoleBench(sim, folder))
        return 1;

    benchOutages(rounds);
    benchRecording("25", seconds, folder);
    benchRecording("12.5", seconds, folder);
    benchConnectionChanges(rounds, sim);
    benchHangingCameras(rounds, sim);
    return 0;
}
