// Save-folder files made the way the console makes them (fragmented MP4
// with project tags and a subtitle track, telemetry CSV, JPEG with a
// comment record), for the review program's tests and benchmarks.
#pragma once

#include "indexrecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QVector>

namespace reviewtest {

// All twelve project fields: the three given, the rest filled in.
ProjectFields project(const QString& location, const QString& startWell, const QString& endWell);

// location-startwell-endwell-yyyyMMddHHmmss (no extension).
QString recordingBaseName(const ProjectFields& project, const QDateTime& start);
// location-startwell-endwell-<distance>M-yyyyMMddHHmmss.jpg
QString snapshotName(const ProjectFields& project, double distanceM, const QDateTime& time);

struct SnapshotRecord {
    QDateTime time;
    double distanceM = 0;
    double rollDeg = 0;
    double pitchDeg = 0;
    QString recordingFile; // empty: taken outside a recording
    double offsetS = 0;
};
// The one-line JSON of a snapshot's comment segment.
QByteArray snapshotComment(const ProjectFields& project, const SnapshotRecord& record);

// A JPEG of the size with the comment segments right after its start.
bool writeJpeg(const QString& path, const QSize& size, const QVector<QByteArray>& comments = {});
// The bytes of such a JPEG; comments go in with withComments().
QByteArray jpegBytes(const QSize& size);
QByteArray withComments(QByteArray jpeg, const QVector<QByteArray>& comments);

// An MP4 of seconds of test picture, fragmented like the console's, with a
// subtitle cue a second; with record, the project and start as format tags.
bool writeRecording(const QString& path, int seconds, const ProjectFields* record,
                    const QDateTime& start);

struct TelemetryRow {
    double videoTimeS;
    double distanceM;
    double rollDeg;
    double pitchDeg;
};
// A telemetry CSV with the console's header and one line per row.
bool writeTelemetry(const QString& path, const QDateTime& start, const QVector<TelemetryRow>& rows);
QByteArray telemetryText(const QDateTime& start, const QVector<TelemetryRow>& rows);

// A defect of the shipped code table, and an observation without one.
Observation defect(const QString& snapshot, const QString& code, const QString& name,
                   const QString& kind, int grade, const QString& remark = {}, bool scored = true);
Observation note(const QString& snapshot, const QString& text);

// One inspection as the console leaves it: a recording of seconds with its
// telemetry (crawling from 0 to the last distance, pitch and roll swinging)
// and a snapshot with its record at each distance.
struct Inspection {
    ProjectFields project;
    QDateTime start;
    QString recording;     // base name
    QStringList snapshots; // in the order of the distances
};
Inspection writeInspection(const QString& folder, const QVector<double>& distances, int seconds);

// Standard output of a program, empty when it could not run.
QByteArray runTool(const QString& program, const QStringList& arguments);

} // namespace reviewtest
