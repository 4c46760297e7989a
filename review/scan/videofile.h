// A recording's MP4: its project tags and start time, or else its name,
// and the length of what plays.
#pragma once

#include "indexrecords.h"

#include <QCoreApplication>
#include <QString>

struct VideoRead {
    QString problem;
    bool usable = false;
    bool hasRecord = false; // tagged moravel_format
    ProjectFields project;  // from the tags; empty without a record
    Recording recording;    // projectId left 0
};

class VideoFile {
    Q_DECLARE_TR_FUNCTIONS(VideoFile)
public:
    static VideoRead read(const QString& path);
};
