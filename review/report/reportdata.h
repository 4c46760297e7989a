// Everything the report of a folder shows, gathered from the index: per
// pipe section its assessment, recordings, pictures with their numbers, the
// record table, counts by code and grade and the telemetry profile.
#pragma once

#include "assessedsection.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

// One observation as the record sheet lists it.
struct ReportRow {
    Observation observation;
    double startM = kUnknown;
    double endM = kUnknown;    // a finished continuous defect's end
    double score = kUnknown;   // P, for a scored defect
    double lengthM = kUnknown; // the length it counts with, for a scored defect
    int pictureNumber = 0;
    int endPictureNumber = 0; // the picture its end was marked on, 0 if none
    bool atEnd = false;       // this copy stands under the picture of the end
    // The recording its picture was taken in (its number among the
    // section's, from 1; 0: none) and the picture's time in it.
    int recordingNumber = 0;
    double offsetS = kUnknown;
};

struct ReportPicture {
    int number = 0;
    Snapshot snapshot;
    QString path;
    QVector<ReportRow> rows; // coded on it, or ending on it
};

struct CodeCount {
    QString code;
    QString name;
    int grade = 0;
    int count = 0;
};

struct SectionReport {
    AssessedSection section;
    QString inspectionDate; // yyyy-MM-dd of the first file, empty when unknown
    QVector<Recording> recordings;
    QVector<ReportPicture> pictures;
    QVector<ReportRow> rows;   // every observation once, by distance
    QVector<CodeCount> counts; // defects by code and grade
    QVector<ProfilePoint> profile;
};

class ReportTexts {
    Q_DECLARE_TR_FUNCTIONS(ReportTexts)
public:
    // "3–5点", "3点" or "" for an observation's clock position.
    static QString clock(const Observation& observation);
    // "连续" for a continuous defect, "" otherwise.
    static QString continuous(const Observation& observation);
    // Where it lies: "6.75", "2.00–8.00" or "2.00–？" while the end is not marked.
    static QString extent(const ReportRow& row);
    // "12.35", or "—" when unknown.
    static QString metres(double value);
    static QString grade(int grade);
    // "PL 破裂 2级" or the observation's own text.
    static QString summary(const Observation& observation);
    // A row's description: the remark, with a continuous defect's state.
    static QString description(const ReportRow& row);
    // The picture numbers of a row: "3", or "3、5" with its end's.
    static QString pictures(const ReportRow& row);
    // "TJ 2级×2；CJ 3级×1", or "无".
    static QString counts(const QVector<CodeCount>& counts);
    static QString duration(double seconds);
    // "02:15" (minutes may pass 59), "—" when unknown.
    static QString minutesSeconds(double seconds);
    // Where in the section's recordings a row's picture was taken:
    // "1：02:15" (recording 1 of the record sheet's list), "" if in none.
    static QString moment(const ReportRow& row);
};

// Where in recording the snapshot was taken: its record's offset, else (a
// snapshot without a record, linked to it by time) the time since the
// recording started; unknown when the snapshot is not the recording's.
double snapshotOffsetS(const Snapshot& snapshot, const Recording& recording);

// Adds the defects of rows to counts, kept in code and grade order.
void countDefects(const QVector<ReportRow>& rows, QVector<CodeCount>& counts);

// folder: where the pictures are.
SectionReport gatherSection(InspectionIndex& index, qint64 projectId, const QString& folder,
                            const CodeTables& codes);
