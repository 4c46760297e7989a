// Names of recordings and snapshots, made of project fields and the local
// time. Every field is cleaned first, so a name never leaves the save folder,
// never hides itself and never displays reversed; names are shortened to fit
// the file system.
#pragma once

#include "projectinfo.h"

#include <QDateTime>
#include <QString>

namespace filenames {

// The longest name of one file (ext4, XFS, tmpfs, ...), in UTF-8 bytes.
constexpr int kMaxNameBytes = 255;

// Path separators, \ / : * ? " < > |, control, format and line or paragraph
// separator characters (U+202E, U+200B, U+2028, ...) become "_"; so does a
// leading ".", which would hide the file.
QString cleanField(const QString& field);

// location-startwell-endwell-yyyyMMddHHmmss, without folder or extension.
// With a four-byte extension (".mp4", ".csv") and a "-2" to "-999" from
// unusedPath the name stays within kMaxNameBytes: the project fields are
// shortened (the longest first, at character boundaries), the time is kept.
QString videoBaseName(const ProjectInfo& info, const QDateTime& now);

// location-startwell-endwell-<distance>M-yyyyMMddHHmmss.jpg, without folder;
// shortened as videoBaseName, the distance is kept too.
QString snapshotName(const ProjectInfo& info, const QString& distanceText, const QDateTime& now);

// name inside folder; a folder without a trailing "/" gets one, an empty
// folder leaves the name relative.
QString inFolder(const QString& folder, const QString& name);

// path itself when no file is there yet, else path with "-2", "-3", ...
// before its extension: names have one-second resolution, and a second
// recording or snapshot within that second must not replace the first.
QString unusedPath(const QString& path);

// A recording's or snapshot's failure for the operator: "what：reason" on the
// first line, the file's name without its folder on the second.
QString failureMessage(const QString& what, const QString& reason, const QString& path);

} // namespace filenames
