// Usage: review_bench [snapshots] [telemetry files] [observations] [sections]
// Builds a save folder of snapshots (1596 x 1080 JPEGs with their records)
// and one-hour telemetry CSVs at 20 Hz, indexes it once, then opens it in
// the review window again and again: index checked against the files, list
// built, first picture shown. Then the PDF report of a folder of that many
// sections with one observation on each of that many snapshots, and the
// assessment of 1000 sections, in memory and from an index as --assess
// does it. Prints the best and the median of the runs (other load on the
// machine only ever adds time).
#include "assessedsection.h"
#include "inspectionfiles.h"
#include "inspectionfolder.h"
#include "reportjob.h"
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
constexpr int kDefaultSections = 5;
constexpr int kAssessedSections = 1000;
constexpr int kDefectsPerSection = 20;
constexpr int kAssessRuns = 5;
constexpr int kReportTelemetrySeconds = 600;
constexpr int kTelemetrySeconds = 3600;
constexpr int kRate = 20;
constexpr int kOpenRuns = 5;
constexpr int kReportRuns = 3;
constexpr double kCrawlSpeed = 0.05; // m/s, a slow inspection
constexpr int kSliceMs = 40;
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

// An observation of a defect, the kind chosen by n.
Observation benchDefect(const QString& snapshot, int n, int grade)
{
    const char* const kinds[][3] = {{"PL", "破裂", "S"}, {"CJ", "沉积", "F"}, {"TJ", "脱节", "S"}};
    Observation o;
    o.snapshot = snapshot;
    o.codeTable = QStringLiteral("cjj181-defects");
    o.code = kinds[n % 3][0];
    o.name = kinds[n % 3][1];
    o.kind = kinds[n % 3][2];
    o.scored = true;
    o.grade = grade;
    return o;
}

// The folder: telemetry files one after another along the pipe, snapshots
// spread over them with their records.
void writeFolder(const QString& folder, int snapshots, int telemetryFiles,
                 const ProjectFields& project = reviewtest::project("滨江路", "Y12", "Y13"),
                 int telemetrySeconds = kTelemetrySeconds)
{
    const QDateTime first = QDateTime::fromString("20261207080000", "yyyyMMddHHmmss");
    const QByteArray picture = jpegBytes(kPictureSize);
    const double length = telemetrySeconds * kCrawlSpeed;
    for (int f = 0; f < telemetryFiles; ++f) {
        const QDateTime start = first.addSecs(static_cast<qint64>(f) * (telemetrySeconds + 60));
        QVector<TelemetryRow> rows;
        rows.reserve(telemetrySeconds * kRate);
        for (int i = 0; i < telemetrySeconds * kRate; ++i) {
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
        const QDateTime start = first.addSecs(static_cast<qint64>(f) * (telemetrySeconds + 60));
        const double offset = (share * telemetryFiles - f) * telemetrySeconds;
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

void benchReport(int observations, int sections)
{
    QTemporaryDir dir;
    for (int s = 0; s < sections; ++s) {
        writeFolder(dir.path(), observations / sections, 1,
                    reviewtest::project("滨江路", QStringLiteral("Y%1").arg(s),
                                        QStringLiteral("Y%1").arg(s + 1)),
                    kReportTelemetrySeconds);
    }
    TelquinLibrary telquin;
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    folder.open(dir.path(), &notice, &error);
    const CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder());
    int n = 0;
    for (const Project& p : folder.index().projects()) {
        for (const Snapshot& s : folder.index().snapshots(p.id)) {
            Observation o = benchDefect(s.file, n, 1 + n % 4);
            o.clockFrom = 1 + n % 12;
            o.remark = QStringLiteral("备注 %1").arg(n);
            folder.index().addObservation(o);
            ++n;
        }
    }
    std::vector<double> runs;
    qint64 bytes = 0;
    int pages = 0;
    for (int run = 0; run < kReportRuns; ++run) {
        const QString pdf = dir.filePath(QStringLiteral("report-%1.pdf").arg(run));
        runs.push_back(msOf([&] {
            QVector<SectionReport> reports;
            for (const Project& p : folder.index().projects()) {
                reports.push_back(gatherSection(folder.index(), p.id, dir.path(), codes));
            }
            ReportJob job(reports, pdf);
            if (job.start()) {
                while (job.work(kSliceMs)) {
                }
            }
            pages = job.pageCount();
            if (job.failed()) {
                std::fprintf(stderr, "review_bench: %s\n", job.error().toStdString().c_str());
            }
        }));
        bytes = QFile(pdf).size();
        QFile::remove(pdf);
    }
    std::printf("report: %d observations in %d sections, one on each of %d pictures (%dx%d), "
                "%d pages, %.1f MB\n",
                n, sections, n, kPictureSize.width(), kPictureSize.height(), pages,
                static_cast<double>(bytes) / 1e6);
    print("PDF report written (in 40 ms slices, as the window does):", runs);
}

// A section of kDefectsPerSection defects along 100 m, every third continuous.
SectionRecords syntheticSection(int section)
{
    SectionRecords records;
    records.project.id = section + 1;
    records.project.fields = reviewtest::project("滨江路", QStringLiteral("Y%1").arg(section),
                                                 QStringLiteral("Y%1").arg(section + 1));
    for (int d = 0; d < kDefectsPerSection; ++d) {
        Snapshot s;
        s.file = QStringLiteral("s%1-%2.jpg").arg(section).arg(d);
        s.projectId = records.project.id;
        s.distanceM = d * 100.0 / kDefectsPerSection + (section % 7) * 0.1;
        records.snapshots.push_back(s);
        Observation o = benchDefect(s.file, d, 1 + (d + section) % 3);
        o.id = d + 1;
        if (d % 3 == 1) {
            o.continuous = Observation::kContinuous;
            o.endM = s.distanceM + 3.5;
        }
        records.observations.push_back(o);
    }
    return records;
}

void benchAssessment()
{
    const CodeTables codes = CodeTables::loadFolder(CodeTables::defaultFolder());
    QVector<SectionRecords> all;
    for (int s = 0; s < kAssessedSections; ++s) {
        all.push_back(syntheticSection(s));
    }
    std::vector<double> memory;
    for (int run = 0; run < kAssessRuns; ++run) {
        memory.push_back(msOf([&] {
            for (const SectionRecords& records : all) {
                assessSection(records, codes);
            }
        }));
    }
    std::printf("assessment: %d sections of %d defects each\n", kAssessedSections,
                kDefectsPerSection);
    print("assessed in memory:", memory);

    // The same sections in an index, read back and assessed as --assess does.
    QTemporaryDir dir;
    TelquinLibrary telquin;
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    folder.open(dir.path(), &notice, &error);
    InspectionIndex& index = folder.index();
    {
        IndexDatabase::Transaction transaction(index.database());
        for (const SectionRecords& records : all) {
            const qint64 id = index.projectFor(records.project.fields, true);
            for (Snapshot s : records.snapshots) {
                s.projectId = id;
                index.putFile({s.file, QStringLiteral("snapshot"), 1, 1, QString(), true});
                index.putSnapshot(s);
            }
            for (const Observation& o : records.observations) {
                index.addObservation(o);
            }
        }
        transaction.commit();
    }
    std::vector<double> fromIndex;
    for (int run = 0; run < kAssessRuns; ++run) {
        fromIndex.push_back(msOf([&] {
            for (const SectionRecords& records : index.allSectionRecords()) {
                assessSection(records, codes);
            }
        }));
    }
    print("read from the index and assessed:", fromIndex);
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
    const int sections = argc > 4 ? std::atoi(argv[4]) : kDefaultSections;
    if (snapshots < 1 || telemetryFiles < 1 || sections < 1 || observations < sections) {
        std::fprintf(stderr, "usage: review_bench [snapshots] [telemetry files] [observations] "
                             "[sections]\n");
        return 2;
    }
    benchOpening(snapshots, telemetryFiles);
    benchReport(observations, sections);
    benchAssessment();
    return 0;
}
