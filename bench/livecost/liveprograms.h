// The programs the live-picture benchmarks compare, each started afresh for
// a window of measurement and stopped after it, so that two programs never
// share the machine: the Moravel program viewing (or recording) an RTSP
// camera, and the plain players and recorders it is held against.
#pragma once

#include "consoleprocess.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace livecost {

class LiveProgram {
public:
    virtual ~LiveProgram() = default;
    virtual QString name() const = 0;
    // Starts the program and waits until it shows (or records) the camera;
    // false, with the reason on standard error, when it does not.
    virtual bool start() = 0;
    virtual void stop() = 0;
    virtual qint64 pid() const = 0;
};

// Moravel with crawler-sim on 127.0.0.1 as its crawler, the main camera at
// mainUrl, the back camera a simulated 640 x 480 one (the small view off, as
// at start), the project's overlay switched on. recording: F1 is pressed once
// the picture shows and start() returns once the file grows.
struct ConsoleSetup {
    QString display;
    int simPort = 0;
    std::string mainUrl;
    bool recording = false;
};

std::unique_ptr<LiveProgram> consoleProgram(const ConsoleSetup& setup);

// Any other program (gst-launch-1.0, ffmpeg) on the display; ready once
// isReady says so (checked while its output is drained), at the latest
// after readyWithinMs.
struct CommandSetup {
    QString name;
    QString display;
    QString program;
    QStringList arguments;
    std::function<bool()> isReady;
    int readyWithinMs = 0;
};

std::unique_ptr<LiveProgram> commandProgram(CommandSetup setup);

// gst-launch-1.0 playing url over RTSP/TCP into an X window, as a plain
// player does it.
std::unique_ptr<LiveProgram> gstreamerPlayer(const QString& display, const std::string& url);

// Runs the event loop (and so drains the programs' output) for ms.
void runFor(int ms);

// The seconds a program gets after start() before its window is measured.
constexpr int kSettleMs = 3000;

// Every program runs `rounds` times in turn, each run started, settled,
// measured by `window` and stopped; the load average is printed beside
// each window. A program that does not start ends the rounds: false.
bool alternate(const std::vector<LiveProgram*>& programs, int rounds,
               const std::function<void(LiveProgram&, int round)>& window);

// CPU (% of one core, user + system from /proc) and resident memory of a
// process over a window; the CPU of its threads by name (the main thread is
// "main"; threads a library leaves unnamed carry the name of the thread that
// started them).
struct Usage {
    double cpuPercent = 0;
    double meanRssMb = 0;
    double maxRssMb = 0;
    std::map<std::string, double> threadPercent;
};

// Measures pid for ms while the event loop runs.
Usage measureUsage(qint64 pid, int ms);

} // namespace livecost
