// Everything the report of one project shows, gathered from the index:
// the project, its recordings, pictures with their numbers, the observation
// table, counts by code, the worst grades and the telemetry profile.
#pragma once

#include "inspectionindex.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct ReportPicture {
    int number = 0;
    Snapshot snapshot;
    QString path;
    QVector<Observation> observations;
};

struct ReportRow {
    Observation observation;
    double distanceM = kUnknown;
    int pictureNumber = 0;
};

struct CodeCount {
    QString code; // empty for observations without a defect
    QString name;
    int count = 0;
};

struct WorstGrades {
    int structural = 0; // 0: none
    int functional = 0;
};

struct ReportData {
    Project project;
    QString inspectionDate; // yyyy-MM-dd of the first file, empty when unknown
    double lengthM = kUnknown;
    QVector<Recording> recordings;
    QVector<ReportPicture> pictures;
    QVector<ReportRow> rows;
    QVector<CodeCount> counts;
    WorstGrades worst;
    QVector<ProfilePoint> profile;
};

class ReportTexts {
    Q_DECLARE_TR_FUNCTIONS(ReportTexts)
public:
    // "3–5点", "3点" or "" for an observation's clock position.
    static QString clock(const Observation& observation);
    // "连续起点", "连续终点" or "".
    static QString continuous(const Observation& observation);
    // The name with its continuous-defect mark, e.g. "破裂（连续起点）".
    static QString name(const Observation& observation);
    // "12.35", or "—" when unknown.
    static QString metres(double value);
    static QString grade(int grade);
    // The worst grade's text, "无" for none.
    static QString worst(int grade);
    // "PL 破裂 2级" or the observation's own text.
    static QString summary(const Observation& observation);
    static QString duration(double seconds);
};

// The worst scored structural and functional grade of the observations.
WorstGrades worstGrades(const QVector<Observation>& observations);

// folder: where the pictures are.
ReportData gatherReport(InspectionIndex& index, qint64 projectId, const QString& folder);
