// Figures for the console's command and telemetry paths, with the real link
// library talking to a raw protocol end on 127.0.0.1 that sends status
// records at 20 Hz throughout:
//  - press on the drive pad (RobotCommands) to the SetCarPwm frame read at
//    the crawler's end;
//  - status record written by the crawler's end to the telemetry panel's
//    labels set and repainted on the GUI thread (queued hand-over).
#include "BenchSupport.h"
#include "DisplayPanle.h"
#include "FrameSocket.h"
#include "ISocketSystemHead.h"
#include "robotcommands.h"
#include "telemetry.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kPresses = 2000;
constexpr int kDefaultSeconds = 10;
constexpr int kMillisecondsPerSecond = 1000;
constexpr milliseconds kStatusPeriod{50};
constexpr milliseconds kWait{5000};
constexpr int kMaxRecords = 1 << 16;
constexpr int kRight = 1;

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
    std::printf("%s: n=%zu median=%.3f ms p90=%.3f ms p99=%.3f ms max=%.3f ms\n", what,
                samples.size(), bench::Percentile(samples, 0.5), bench::Percentile(samples, 0.9),
                bench::Percentile(samples, 0.99), bench::Percentile(samples, 1.0));
}

class ForwardingMsg : public ISocketSystemHeadMsg {
public:
    int OnLinkState(const char*) override { return 0; }
    int OnStatusData(const LinkStatusRecord* record) override
    {
        Telemetry* telemetry = target.load();
        return telemetry != nullptr ? telemetry->receive(record) : 0;
    }
    int OnControlData(const LinkControlRecord*) override { return 0; }
    std::atomic<Telemetry*> target{nullptr};
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;
    // The debug lines of every press would measure the terminal.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    ForwardingMsg msg;
    ISocketSystemHead* link = CreateISocketSystemHead(&msg);
    simtest::FrameListener listener;
    link->Connect("127.0.0.1", listener.port());
    simtest::FrameSocket crawler = listener.accept(kWait);
    if (!crawler || link->IsConnected() == 0 || link->Start() != 0) {
        std::fprintf(stderr, "link to 127.0.0.1:%d did not open\n", listener.port());
        return 1;
    }

    DisplayPanle panel;
    panel.show();
    RobotCommands commands(
        link, [](double) {}, [](int) {});
    std::vector<double> telemetryMs;
    // Written by the sending thread, read on the GUI thread.
    std::vector<std::atomic<Clock::rep>> sentAt(kMaxRecords);
    Telemetry telemetry(
        commands, panel, [](double) {},
        [&](double roll, double) {
            // The record's number travels as its pitch angle; the labels are set by now.
            panel.repaint();
            const auto index = static_cast<size_t>(roll);
            if (index < sentAt.size())
                telemetryMs.push_back(
                    milli(Clock::now() - Clock::time_point(Clock::duration(sentAt[index].load()))));
        });
    msg.target = &telemetry;

    // The crawler's status records at 20 Hz, from their own thread.
    std::atomic<bool> sending{true};
    std::atomic<int> sent{0};
    std::thread statusThread([&] {
        LinkStatusRecord record{};
        auto next = Clock::now();
        for (int i = 1; sending && i < kMaxRecords; ++i) {
            record.Angle_Pitch = -static_cast<float>(i);
            sentAt[static_cast<size_t>(i)] = Clock::now().time_since_epoch().count();
            crawler.sendRecord(linkproto::MsgType::Status, record);
            sent = i;
            next += kStatusPeriod;
            std::this_thread::sleep_until(next);
        }
    });

    std::vector<double> pressMs;
    for (int i = 0; i < kPresses; ++i) {
        app.processEvents();
        const auto start = Clock::now();
        if (i % 2 == 0)
            commands.ControlDirection(kRight);
        else
            commands.ReControlDirection(kRight);
        const bool arrived = crawler.waitForFrame(
            [](const linkproto::Frame& frame) {
                return frame.type == linkproto::MsgType::SetCarPwm;
            },
            kWait);
        if (!arrived) {
            std::fprintf(stderr, "command frame %d did not arrive\n", i);
            break;
        }
        pressMs.push_back(milli(Clock::now() - start));
    }

    // Records that waited behind a blocked press do not count.
    telemetryMs.clear();
    QTimer::singleShot(seconds * kMillisecondsPerSecond, &app, &QApplication::quit);
    app.exec();
    sending = false;
    statusThread.join();

    printFigures("pad press to command frame at the crawler's end", pressMs);
    printFigures("status record sent to panel labels repainted", telemetryMs);
    std::printf("status records sent: %d\n", sent.load());
    msg.target = nullptr;
    link->Disconnect();
    return 0;
}
