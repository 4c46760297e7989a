// A snapshot as a file of the save folder (docs/inspection-files.md): the
// picture as JPEG with its record, one line of JSON, in a comment segment
// that standard tools read, written under a hidden name and then renamed so
// that nobody ever sees half a picture.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <limits>

class QDir;
class QFile;
class QImage;

namespace savedpicture {

// The quality the console's pictures have always had.
constexpr int kJpegQuality = 95;

// What a snapshot's record holds. A value not known (not finite) is null.
struct Record {
    static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

    QString source; // empty: the console's camera; "video": grabbed from a recording
    QDateTime time;
    double distanceM = kUnknown;
    double cableM = kUnknown;
    double rollDeg = kUnknown;
    double pitchDeg = kUnknown;
    double headingDeg = kUnknown;
    QJsonObject project;   // the twelve project fields
    QString recordingFile; // empty: taken outside a recording
    double recordingOffsetS = 0;
};

// The record as one line of JSON: quotes, backslashes and line breaks come
// escaped.
QByteArray recordJson(const Record& record);

// The picture coded as JPEG; empty when it could not be.
QByteArray encodeJpeg(const QImage& picture);

// jpeg with a comment segment holding text after its JFIF header (or its
// start); the coded picture itself stays byte for byte. Empty when the text
// does not fit one segment or jpeg has no JPEG start.
QByteArray withComment(const QByteArray& jpeg, const QByteArray& text);

// bytes in a new hidden file of folder (named after stem), created with the
// process's file mode as every file of the folder. part is left closed and
// names the file, for the caller to rename; false with reason, in which case
// nothing is left of it.
bool writeHidden(QFile& part, const QDir& folder, const QString& stem, const QByteArray& bytes,
                 QString* reason);

// Local time with milliseconds and its offset from UTC written out, also
// "+00:00": 2026-05-14T09:30:05.120+08:00.
QString isoWallTime(const QDateTime& time);

} // namespace savedpicture
