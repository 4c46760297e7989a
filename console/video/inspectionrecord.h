// What the console's files record about an inspection besides the picture:
// a status record as recordings and snapshots keep it, the project fields
// under their config.ini keys, and wall times as ISO 8601 with milliseconds
// and the UTC offset. Pure, so any thread may use it.
#pragma once

#include "LinkRecords.h"
#include "distancecalibration.h"
#include "projectinfo.h"
#include "recordingclock.h"
#include "savedpicture.h"

#include <QDateTime>
#include <QString>

#include <utility>
#include <vector>

// Paid-out cable in metres, at single precision: the distance reading the
// read-out and the overlay take from a record.
double cableLengthMetres(const LinkStatusRecord& record);

// One status record as received; non-finite sensor values stay non-finite.
struct TelemetrySample {
    QDateTime wallTime;
    RecordingClock::time_point at; // arrival on the recording clock
    double distanceM = 0;          // shown crawl distance
    double cableM = 0;
    double rollDeg = 0;
    double pitchDeg = 0;
    double headingDeg = 0;
    double bodyPressureKpa = 0;
    double lensPressureKpa = 0;
    double bodyTempC = 0;
    double lensTempC = 0;
    int remoteState = 0;
};

// The record received at wallTime / at; its distance is shown through the
// calibration's zero reference and start distance, as the overlay shows it.
TelemetrySample telemetrySample(const LinkStatusRecord& record,
                                const DistanceCalibration& calibration, const QDateTime& wallTime,
                                RecordingClock::time_point at);

// The twelve project fields under their config.ini keys, always all of them,
// in the order of the inspection files' description.
std::vector<std::pair<QString, QString>> projectFields(const ProjectInfo& info);

// 2026-12-07T10:15:30.123+01:00 (also +00:00, never Z).
using savedpicture::isoWallTime;
