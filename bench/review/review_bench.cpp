// Usage: review_bench [snapshots] [telemetry files] [observations]
// Builds a save folder of snapshots (1596 x 1080 JPEGs with their records)
// and one-hour telemetry CSVs at 20 Hz, indexes it once, then opens it in
// the review window again and again: index checked against the files, list
// built, first picture shown. Then the PDF report of a project with one
// observation on each of that many snapshots. Prints the best and the
// median of the runs (other load on the machine only ever adds time).
#include "inspectionfiles.h"
#include "inspectionfolder.h"
#include "reportwriter.h"
#include "reviewwindow.h"
#include "snapshottree.h"
#include "telquinlibrary.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

using namespace reviewtest;

constexpr int kDefaultSnapshots = 1000;
constexpr int kDefaultTelemetryFiles = 20;
constexpr int kDefaultObservations = 200;
constexpr int kTelemetrySeconds = 3600;
constexpr int kRate = 20;
constexpr int kOpenRuns = 5;
constexpr int kReportRuns = 3;
constexpr double kCrawlSpeed = 0.05; // m/s, a slow inspection
const QSize kPictureSize(1596, 1080);

double msOf(const std::function<void()>& work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void print(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-58s best %8.1f ms   median %8.1f ms   (%zu runs)\n", what, ms.front(),
                ms[ms.size() / 2], ms.size());
}

// The folder: telemetry files one after another along the pipe, snapshots
// spread over them with their records.
void writeFolder(const QString& folder, int snapshots, int telemetryFiles)
{
    const ProjectFields project = reviewtest::project("滨江路", "Y12", "Y13");
    const QDateTime first = QDateTime::fromString("20261207080000", "yyyyMMddHHmmss");
    const QByteArray picture = jpegBytes(kPictureSize);
    const double length = kTelemetrySeconds * kCrawlSpeed;
    for (int f = 0; f < telemetryFiles; ++f) {
        const QDateTime start = first.addSecs(static_cast<qint64>(f) * (kTelemetrySeconds + 60));
        QVector<TelemetryRow> rows;
        rows.reserve(kTelemetrySeconds * kRate);
        for (int i = 0; i < kTelemetrySeconds * kRate; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double d = f * length + t * kCrawlSpeed;
            rows.push_back({t, d, 2 * std::sin(d / 3), std::cos(d / 5)});
        }
        writeTelemetry(QDir(folder).filePath(recordingBaseName(project, start) + ".csv"), start,
                       rows);
    }
    for (int s = 0; s < snapshots; ++s) {
        const double share = (s + 0.5) / snapshots;
        const int f = std::min(telemetryFiles - 1, static_cast<int>(share * telemetryFiles));
        const QDateTime start = first.addSecs(static_cast<qint64>(f) * (kTelemetrySeconds + 60));
        const double offset = (share * telemetryFiles - f) * kTelemetrySeconds;
        SnapshotRecord record{start.addMSecs(static_cast<qint64>(offset * 1000)),
                              f * length + offset * kCrawlSpeed,
                              0.5,
                              -0.25,
                              recordingBaseName(project, start) + ".mp4",
                              offset};
        QFile file(QDir(folder).filePath(snapshotName(project, record.distanceM, record.time)));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(withComments(picture, {snapshotComment(project, record)}));
        }
    }
}

void benchOpening(int snapshots, int telemetryFiles)
{
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    writeFolder(dir.path(), snapshots, telemetryFiles);
    std::printf("folder: %d snapshots, %d telemetry files of %d s at %d Hz (written in %.1f s)\n",
                snapshots, telemetryFiles, kTelemetrySeconds, kRate,
                static_cast<double>(clock.elapsed()) / 1000);

    TelquinLibrary telquin;
    {
        InspectionFolder folder(telquin.system());
        QString notice;
        QString error;
        const double ms = msOf([&] { folder.open(dir.path(), &notice, &error); });
        std::printf("%-58s %8.1f ms   (%d files read)\n", "first opening, index built:", ms,
                    folder.lastScan().read);
    }
    std::vector<double> open;
    for (int run = 0; run < kOpenRuns; ++run) {
        ReviewWindow window(telquin.system(), CodeTables::loadFolder(CodeTables::defaultFolder()));
        window.show();
        open.push_back(msOf([&] {
            window.openFolder(dir.path());
            QApplication::processEvents();
        }));
        if (window.tree()->snapshotCount() != snapshots) {
            std::fprintf(stderr, "review_bench: %d snapshots listed\n",
                         window.tree()->snapshotCount());
        }
    }
    print("opening again (indexed) in the window:", open);
}

void benchReport(int observations)
{
    QTemporaryDir dir;
    writeFolder(dir.path(), observations, 1);
    TelquinLibrary telquin;
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    folder.open(dir.path(), &notice, &error);
    const qint64 project = folder.index().projects().value(0).id;
    const char* const codes[][3] = {{"PL", "破裂", "S"}, {"CJ", "沉积", "F"}, {"TJ", "脱节", "S"}};
    int n = 0;
    for (const Snapshot& s : folder.index().snapshots(project)) {
        Observation o;
        o.snapshot = s.file;
        o.code = codes[n % 3][0];
        o.name = codes[n % 3][1];
        o.kind = codes[n % 3][2];
        o.scored = true;
        o.grade = 1 + n % 4;
        o.clockFrom = 1 + n % 12;
        o.remark = QStringLiteral("备注 %1").arg(n);
        folder.index().addObservation(o);
        ++n;
    }
    std::vector<double> runs;
    qint64 bytes = 0;
    for (int run = 0; run < kReportRuns; ++run) {
        const QString pdf = dir.filePath(QStringLiteral("report-%1.pdf").arg(run));
        runs.push_back(msOf([&] {
            ReportWriter::write(gatherReport(folder.index(), project, dir.path()), pdf, &error);
        }));
        bytes = QFile(pdf).size();
        QFile::remove(pdf);
    }
    std::printf("report: %d observations, one on each of %d pictures (%dx%d), %.1f MB\n", n, n,
                kPictureSize.width(), kPictureSize.height(), static_cast<double>(bytes) / 1e6);
    print("PDF report written:", runs);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int snapshots = argc > 1 ? std::atoi(argv[1]) : kDefaultSnapshots;
    const int telemetryFiles = argc > 2 ? std::atoi(argv[2]) : kDefaultTelemetryFiles;
    const int observations = argc > 3 ? std::atoi(argv[3]) : kDefaultObservations;
    if (snapshots < 1 || telemetryFiles < 1 || observations < 1) {
        std::fprintf(stderr, "usage: review_bench [snapshots] [telemetry files] [observations]\n");
        return 2;
    }
    benchOpening(snapshots, telemetryFiles);
    benchReport(observations);
    return 0;
}
