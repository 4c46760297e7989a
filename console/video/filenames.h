// Names of recordings and snapshots, made of project fields and the local
// time. Every field is cleaned first, so a name never leaves the save folder.
#pragma once

#include "projectinfo.h"

#include <QDateTime>
#include <QString>

namespace filenames {

// Path separators, \ / : * ? " < > | and control characters become "_".
QString cleanField(const QString& field);

// location-startwell-endwell-yyyyMMddHHmmss, without folder or extension.
QString videoBaseName(const ProjectInfo& info, const QDateTime& now);

// location-startwell-endwell-<distance>M-yyyyMMddHHmmss.jpg, without folder.
QString snapshotName(const ProjectInfo& info, const QString& distanceText, const QDateTime& now);

// name inside folder; a folder without a trailing "/" gets one, an empty
// folder leaves the name relative.
QString inFolder(const QString& folder, const QString& name);

// path itself when no file is there yet, else path with "-2", "-3", ...
// before its extension: names have one-second resolution, and a second
// recording or snapshot within that second must not replace the first.
QString unusedPath(const QString& path);

} // namespace filenames
