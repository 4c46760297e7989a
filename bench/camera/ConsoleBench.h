// The start shared by the benchmarks that run the whole console: a quiet
// process, crawler-sim on 127.0.0.1 and the console's settings for it, a
// simulated back camera, 25 fps recordings into folder; and what they
// measure while it runs: the pictures its views show and how late the GUI
// thread's events come.
#pragma once

#include "BenchSupport.h"
#include "SimProcess.h"
#include "inisettings.h"
#include "videolabel.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// Call after the QApplication is made; false when crawler-sim does not start.
inline bool StartConsoleBench(simtest::SimProcess& sim, const QString& folder)
{
    SilenceStdout();
    // The console's debug lines would bury the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (!sim.start({"-v"})) {
        std::fprintf(stderr, "crawler-sim did not start\n");
        return false;
    }
    SetQStringFromIni("/com/ip", "127.0.0.1");
    SetQStringFromIni("/com/port", QString::number(sim.port()));
    SetQStringFromIni("/logntwo/ip", "sim:back?w=640&h=360&fps=25");
    SetQStringFromIni("/came/fps", "25");
    SetQStringFromIni("/savedir/path", folder);
    return true;
}

// Runs the event loop for ms, counting the pictures each view shows (a
// picture newer than the one seen 4 ms before counts once).
inline std::vector<int> PicturesShown(const std::vector<const VideoLabel*>& views, int ms)
{
    constexpr int kPollMs = 4;
    std::vector<int> shown(views.size(), 0);
    std::vector<qint64> last;
    for (const VideoLabel* view : views)
        last.push_back(view->picture().cacheKey());
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (size_t i = 0; i < views.size(); ++i) {
            const qint64 key = views[i]->picture().cacheKey();
            if (key != last[i]) {
                ++shown[i];
                last[i] = key;
            }
        }
    });
    poll.start(kPollMs);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return shown;
}

// How late a 10 ms precise timer of the GUI thread fires, tick by tick, while
// started: the time the event loop keeps a due event waiting.
class GuiLateness {
public:
    static constexpr int kTickMs = 10;

    GuiLateness()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            if (m_since.isValid())
                m_samples.push_back(std::max(0.0, m_since.nsecsElapsed() / 1e6 - kTickMs));
            m_since.restart();
        });
    }
    void start() { m_tick.start(kTickMs); }
    void stop() { m_tick.stop(); }
    // In milliseconds, one per tick.
    const std::vector<double>& samples() const { return m_samples; }

private:
    QTimer m_tick;
    QElapsedTimer m_since;
    std::vector<double> m_samples;
};

} // namespace bench
