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
    QString snapshot; // file name
    QString codeTable;
    QString code; // empty for an observation without a defect
    QString name; // defect name, or the observation's own text
    QString kind; // "S", "F" or empty
    bool scored = false;
    int grade = 0;     // 0: none
    int clockFrom = 0; // 1-12, 0: none
    int clockTo = 0;
    QString continuous; // "", kStart or kEnd
    QString remark;

    // The two ends of a continuous defect.
    static inline const QString kStart = QStringLiteral("start");
    static inline const QString kEnd = QStringLiteral("end");

    bool isDefect() const { return !code.isEmpty(); }
};
