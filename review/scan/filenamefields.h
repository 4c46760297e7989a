// What the name of a recording, telemetry file or snapshot says, for files
// that carry no record: location-startwell-endwell[-<distance>M]-<time>,
// where a second file of the same second ends in "-2", "-3", ...
#pragma once

#include "indexrecords.h"

#include <QString>

struct NameFields {
    bool ok = false;             // the name has the console's form
    ProjectFields project;       // location and wells; the other keys empty
    double distanceM = kUnknown; // snapshots only
    qint64 timeMs = 0;           // local time of the name, as milliseconds since the epoch
    QString timeText;            // yyyy-MM-dd HH:mm:ss
};

// baseName: the file name without its extension.
NameFields parseFileName(const QString& baseName, bool snapshot);

// How many characters of baseName the project's location and wells make up
// when the name starts with them and the rest has the console's form; 0
// otherwise. Tells which project an old file belongs to, also when a field
// holds a "-".
int projectPrefixLength(const QString& baseName, bool snapshot, const ProjectFields& project);
