// Starts the Moravel program repeatedly and prints the median time from
// the console constructor's start to its first paint (the console's own
// "first paint" line), with the "t2 - t1" ... "t5 - t1" points beside it.
#include "SimProcess.h"
#include "consoleprocess.h"
#include "xserver.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kDefaultRuns = 9;
constexpr int kPaintTimeoutMs = 30000;
const char* const kPoints[] = {"t2 - t1", "t3 - t1", "t4 - t1", "t5 - t1", "first paint"};

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// "<label> ... <n> ms" -> n, from the console's debug lines.
bool pointMs(const QStringList& lines, const QString& label, double* ms)
{
    static const QRegularExpression tail(QStringLiteral("(\\d+) ms$"));
    for (const QString& line : lines) {
        if (!line.startsWith(label))
            continue;
        const auto match = tail.match(line);
        if (match.hasMatch()) {
            *ms = match.captured(1).toDouble();
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString(argv[1]).toInt()) : kDefaultRuns;

    XServer x;
    if (x.display().isEmpty()) {
        std::fprintf(stderr, "startup_bench: no X display and no Xvfb\n");
        return 1;
    }
    simtest::SimProcess sim;
    if (!sim.start({})) {
        std::fprintf(stderr, "startup_bench: crawler-sim did not start\n");
        return 1;
    }

    std::map<QString, std::vector<double>> figures;
    for (int run = 0; run < runs; ++run) {
        ConsoleProcess console(x.display(), sim.port());
        console.start();
        double paint = 0;
        if (!console.waitFor([&] { return pointMs(console.lines(), "first paint", &paint); },
                             kPaintTimeoutMs)) {
            std::fprintf(stderr, "startup_bench: run %d never painted\n", run + 1);
            return 1;
        }
        for (const char* point : kPoints) {
            double ms = 0;
            if (pointMs(console.lines(), point, &ms))
                figures[point].push_back(ms);
        }
        console.stop();
    }

    std::printf("Moravel start-up over %d runs on display %s (median / min / max, ms "
                "since the constructor's start)\n",
                runs, qPrintable(x.display()));
    for (const char* point : kPoints) {
        const auto& values = figures[point];
        if (values.empty())
            continue;
        std::printf("  %-12s %8.1f %8.1f %8.1f\n", point, median(values),
                    *std::min_element(values.begin(), values.end()),
                    *std::max_element(values.begin(), values.end()));
    }
    return 0;
}
