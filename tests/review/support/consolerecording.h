// Recordings made through the console's own writer (RecordingWriter, as
// F1 records: a fragmented MP4 with the project tags and the subtitle cues,
// and the telemetry CSV beside it), from frames that carry their number as
// a row of black and white blocks across the top, at slightly uneven
// arrival times, and status records 20 a second from a moving crawler.
#pragma once

#include "indexrecords.h"

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

namespace reviewtest {

struct RecordingPlan {
    ProjectFields project;
    QDateTime start;
    bool h264 = false; // else MPEG-4 Part 2, as /came/codec chooses
    QSize size{320, 240};
    double fps = 25;
    int frames = 100;
    bool telemetry = true;      // false: its CSV is lost after recording
    double firstRecordS = 0.13; // the first status record comes after the start
    double startM = 0.5;
    double speedMps = 0.2;
};

struct ConsoleRecording {
    QString name; // base name
    QString video;
    QString telemetry; // empty without one
};

// The plan's recording in folder; false when the writer refused it.
bool recordLikeConsole(const QString& folder, const RecordingPlan& plan, ConsoleRecording* out);
// The same recorded at its real pace in a child process that is killed
// (SIGKILL) after killAfterMs: the files as the kill left them.
bool recordAndKill(const QString& folder, const RecordingPlan& plan, int killAfterMs,
                   ConsoleRecording* out);
// The crawl distance the plan's status records give at seconds into it.
double planDistance(const RecordingPlan& plan, double seconds);
// The distance_m text of the telemetry CSV's last row at or before
// seconds, read line by line; "—" before the first.
QString csvDistanceAt(const QString& csv, double seconds);
// The number drawn into a frame of such a recording (any size), -1 when
// the blocks cannot be told.
int frameNumber(const QImage& picture);

} // namespace reviewtest
