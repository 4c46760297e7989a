// The start shared by the benchmarks that run the whole console: a quiet
// process, crawler-sim on 127.0.0.1 and the console's settings for it, a
// simulated back camera, 25 fps recordings into folder.
#pragma once

#include "BenchSupport.h"
#include "SimProcess.h"
#include "inisettings.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

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

} // namespace bench
