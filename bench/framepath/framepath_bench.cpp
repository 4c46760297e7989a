// Prints the cost of one 1920 x 1080 camera frame through the frame path
// (GetMatImage: crop, overlay with all fields, last-frame copy, recording
// queue, record mark, hand-off to the view) while a recording runs: once
// with a bare hand-off, once into the console's VideoLabel at 1152 x 640.
//
//   framepath_bench [seconds]

#include "FontFaces.h"
#include "puttext.h"
#include "videobench.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    constexpr int kDefaultSeconds = 20;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : kDefaultSeconds;
    QTemporaryDir folder;
    for (const bool consoleView : {false, true}) {
        const auto figures =
            videobench::recordSession(seconds, folder.path() + QStringLiteral("/"), consoleView);
        if (figures.frameCosts.empty()) {
            std::printf("recording did not start: %s\n", qPrintable(figures.message));
            return 1;
        }
        // The first frame pays for font loading and the glyph caches.
        std::vector<double> costs(figures.frameCosts.begin() + 1, figures.frameCosts.end());
        std::printf("frame path 1920x1080 while recording, %s, %zu frames over %d s\n",
                    consoleView ? "into a 1152x640 VideoLabel" : "hand-off only", costs.size(),
                    seconds);
        std::printf("  median %.2f ms  p99 %.2f ms  max %.2f ms  (first frame %.1f ms)\n",
                    videobench::percentile(costs, 0.5), videobench::percentile(costs, 0.99),
                    videobench::percentile(costs, 1.0), figures.frameCosts.front());
    }
    return 0;
}
