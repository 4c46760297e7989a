// A frame of a recording kept as a snapshot: a JPEG in the save folder with
// the record the console writes for F2 (one line of JSON in a comment
// segment after the JFIF header), marked as taken from the video, and named
// as the console names snapshots: the recording's location and wells, the
// distance and the frame's wall time. Never written over another file.
#pragma once

#include "indexrecords.h"
#include "telemetrytrack.h"

#include <QCoreApplication>
#include <QImage>
#include <QString>

class InspectionIndex;

// Where a frame lies: the recording, the moment and the telemetry of it.
struct GrabMoment {
    QString folder;    // the save folder
    QString recording; // base name
    QString videoFile; // the recording's MP4, without folder
    ProjectFields project;
    qint64 startMs = 0;        // wall time of the recording's start; 0: unknown
    double offsetS = kUnknown; // the frame's time in the recording
    bool hasRow = false;       // the telemetry row at or before the frame
    TelemetryReading row;
};

class FrameGrab {
    Q_DECLARE_TR_FUNCTIONS(FrameGrab)
public:
    // Names the console gives a second file of the same second: "-2" up to this.
    static constexpr int kMaxNumber = 999;

    // The moment offsetS into recording, with its project from the index and
    // the track's row at or before it.
    static GrabMoment moment(InspectionIndex& index, const QString& folder,
                             const Recording& recording, double offsetS,
                             const TelemetryTrack& track);
    // Writes picture as a new snapshot; its file name, or empty with error.
    static QString write(const QImage& picture, const GrabMoment& moment, QString* error);
    // The snapshot record of the moment: one line of JSON.
    static QByteArray record(const GrabMoment& moment);
    // location-startwell-endwell-<distance>M-<yyyyMMddHHmmss>.jpg
    static QString fileName(const GrabMoment& moment);
};
