#include "savedpicture.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cmath>
#include <cstdlib>

namespace savedpicture {

namespace {

constexpr uchar kMarker = 0xFF;
constexpr uchar kStartOfImage = 0xD8;
constexpr uchar kJfifHeader = 0xE0;
constexpr uchar kComment = 0xFE;
// A segment's length counts its two length bytes and must fit in 16 bits.
constexpr int kMaxCommentBytes = 0xFFFF - 2;
// Hidden names are random; a clash with another file is tried again.
constexpr int kHiddenNameAttempts = 16;
constexpr int kHiddenNameBase = 36;
const char* const kRecordFormat = "moravel-snapshot/1";
constexpr int kValueDecimals = 2;
constexpr int kOffsetDecimals = 3;
constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;

QJsonValue rounded(double value, int decimals)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

uchar byteAt(const QByteArray& bytes, int at)
{
    return static_cast<uchar>(bytes.at(at));
}

} // namespace

QByteArray encodeJpeg(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    return writer.write(picture) ? bytes : QByteArray();
}

QByteArray withComment(const QByteArray& jpeg, const QByteArray& text)
{
    if (jpeg.size() < 4 || byteAt(jpeg, 0) != kMarker || byteAt(jpeg, 1) != kStartOfImage ||
        text.size() > kMaxCommentBytes)
        return {};
    int at = 2;
    if (jpeg.size() >= 6 && byteAt(jpeg, 2) == kMarker && byteAt(jpeg, 3) == kJfifHeader)
        at = 4 + (byteAt(jpeg, 4) << 8 | byteAt(jpeg, 5));
    if (at > jpeg.size())
        return {};
    const int length = text.size() + 2;
    QByteArray segment;
    segment.reserve(length + 2);
    segment.append(static_cast<char>(kMarker)).append(static_cast<char>(kComment));
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    segment.append(text);
    QByteArray result = jpeg;
    return result.insert(at, segment);
}

bool writeHidden(QFile& part, const QDir& folder, const QString& stem, const QByteArray& bytes,
                 QString* reason)
{
    bool created = false;
    for (int attempt = 0; attempt < kHiddenNameAttempts && !created; ++attempt) {
        // Short: a picture whose name is as long as names may be still has
        // room for it in the folder.
        part.setFileName(
            folder.filePath(QStringLiteral(".%1-%2.part")
                                .arg(stem)
                                .arg(QRandomGenerator::global()->generate(), 0, kHiddenNameBase)));
        created = part.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    const bool written = created && part.write(bytes) == bytes.size() && part.flush();
    if (!written && reason != nullptr)
        *reason = part.errorString();
    part.close();
    if (created && !written)
        part.remove();
    return written;
}

QByteArray recordJson(const Record& record)
{
    QJsonObject json{
        {QStringLiteral("format"), QLatin1String(kRecordFormat)},
        {QStringLiteral("time"), isoWallTime(record.time)},
        {QStringLiteral("distance_m"), rounded(record.distanceM, kValueDecimals)},
        {QStringLiteral("cable_m"), rounded(record.cableM, kValueDecimals)},
        {QStringLiteral("roll_deg"), rounded(record.rollDeg, kValueDecimals)},
        {QStringLiteral("pitch_deg"), rounded(record.pitchDeg, kValueDecimals)},
        {QStringLiteral("heading_deg"), rounded(record.headingDeg, kValueDecimals)},
        {QStringLiteral("project"), record.project},
        {QStringLiteral("recording"),
         record.recordingFile.isEmpty()
             ? QJsonValue(QJsonValue::Null)
             : QJsonObject{{QStringLiteral("file"), record.recordingFile},
                           {QStringLiteral("offset_s"),
                            rounded(record.recordingOffsetS, kOffsetDecimals)}}},
    };
    if (!record.source.isEmpty())
        json.insert(QStringLiteral("source"), record.source);
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

QString isoWallTime(const QDateTime& time)
{
    const int offsetMinutes = time.offsetFromUtc() / kSecondsPerMinute;
    const int magnitude = std::abs(offsetMinutes);
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(magnitude / kMinutesPerHour, 2, 10, QLatin1Char('0'))
               .arg(magnitude % kMinutesPerHour, 2, 10, QLatin1Char('0'));
}

} // namespace savedpicture
