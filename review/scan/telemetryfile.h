// A recording's telemetry CSV, reduced to what the review needs: the
// distance range, the recording time it covers and a pitch and roll profile
// thinned to one point a second. Read as a stream within bounds (see
// CsvStream); distances the crawler cannot have driven (DistanceTrack) and
// times and angles no recording has are left out and counted in the
// file's problem.
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
    // 20 records a second of about 130 bytes fill this in more than a day.
    static constexpr qint64 kMaxBytes = qint64(256) << 20;
    // A week; a longer recording time is a damaged value.
    static constexpr double kMaxRecordingS = 7 * 24 * 3600.0;
    static constexpr double kMaxAngleDeg = 360;

    // Reads no more than maxBytes of the file.
    static TelemetryRead read(const QString& path, qint64 maxBytes = kMaxBytes);
};
