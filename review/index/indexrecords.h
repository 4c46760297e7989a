// What the index keeps about the files of one save folder and the coding
// done on them. Unknown numbers are NaN.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>
#include <limits>

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
inline bool known(double value)
{
    return std::isfinite(value);
}

// Farther than any crawler's cable reaches: a distance outside 0 to this was
// never driven (a damaged record, a stray value) and is not taken.
constexpr double kMaxDistanceM = 5000;
inline bool plausibleDistance(double metres)
{
    return known(metres) && metres >= 0 && metres <= kMaxDistanceM;
}

// Project key -> text, for the twelve keys of projectKeys().
using ProjectFields = QMap<QString, QString>;
// The twelve project keys, in the order the inspection files list them.
const QStringList& projectKeys();
// The keys that tell one pipe section of one project from another.
const QStringList& projectIdentityKeys();

struct FileEntry {
    QString name; // inside the folder
    QString kind; // "video", "telemetry" or "snapshot"
    qint64 size = 0;
    qint64 mtimeMs = 0;
    QString problem;    // empty when the file was read in full
    bool usable = true; // false: skipped
};

struct Project {
    qint64 id = 0;
    ProjectFields fields;
};

struct Recording {
    QString name; // base name shared by the .mp4 and the .csv
    qint64 projectId = 0;
    QString videoFile;
    QString csvFile;
    qint64 startMs = 0; // 0: unknown
    QString startText;
    double durationS = kUnknown;
    double minDistanceM = kUnknown;
    double maxDistanceM = kUnknown;
};

struct Snapshot {
    QString file;
    qint64 projectId = 0;
    bool hasRecord = false;
    qint64 timeMs = 0;
    QString timeText;
    double distanceM = kUnknown;
    double cableM = kUnknown;
    double rollDeg = kUnknown;
    double pitchDeg = kUnknown;
    double headingDeg = kUnknown;
    QString recording; // base name of the recording it was taken in
    double offsetS = kUnknown;
};

struct ProfilePoint {
    double videoTimeS = kUnknown;
    double distanceM = kUnknown;
    double rollDeg = kUnknown;
    double pitchDeg = kUnknown;
};

struct Observation {
    qint64 id = 0;
    QString snapshot; // file name; a continuous defect's start
    QString codeTable;
    QString code; // empty for an observation without a defect
    QString name; // defect name, or the observation's own text
    QString kind; // "S", "F" or empty
    bool scored = false;
    int grade = 0;     // 0: none
    int clockFrom = 0; // 1-12, 0: none
    int clockTo = 0;
    QString continuous;       // "" for a local defect, or kContinuous
    double startM = kUnknown; // unknown: the snapshot's distance
    double endM = kUnknown;   // a continuous defect's end; unknown: not marked yet
    QString endSnapshot;      // the snapshot its end was marked on, "" when typed
    QString remark;

    static inline const QString kContinuous = QStringLiteral("continuous");

    bool isDefect() const { return !code.isEmpty(); }
    bool isContinuous() const { return continuous == kContinuous; }
    // A continuous defect whose end is not marked yet.
    bool isUnfinished() const { return isContinuous() && !known(endM); }
};

// What the operator enters about a pipe section (manhole to manhole) beyond
// the project fields; kept by the section's identity, so it outlives the
// files. Unknown numbers are NaN, texts not entered empty.
struct SectionData {
    static constexpr int kNoAreaClass = -1;

    double lengthM = kUnknown;    // manhole to manhole
    int areaClass = kNoAreaClass; // the area importance K: 10, 6, 3 or 0
    QString soil;                 // a key of the soil table
    int laidYear = 0;             // 0: not entered
    double startDepthM = kUnknown;
    double endDepthM = kUnknown;
    QString inspectedBy; // 检测
    QString checkedBy;   // 校核
    QString approvedBy;  // 审核
};
