// A recording's telemetry CSV, reduced to what the review needs: the
// distance range, the recording time it covers and a pitch and roll profile
// thinned to one point a second.
#pragma once

#include "indexrecords.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

struct TelemetryRead {
    QString problem; // also set for rows skipped in a file still used
    bool usable = false;
    Recording recording; // name, csv file, duration, distance range
    QVector<ProfilePoint> profile;
};

class TelemetryFile {
    Q_DECLARE_TR_FUNCTIONS(TelemetryFile)
public:
    static constexpr double kProfileStepS = 1.0;
    static TelemetryRead read(const QString& path);
};
