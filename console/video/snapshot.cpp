#include "snapshot.h"

#include "consolelog.h"
#include "filenames.h"
#include "signalstack.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

namespace {

const char* const kRecordFormat = "moravel-snapshot/1";
constexpr int kDecimals = 2;
constexpr int kOffsetDecimals = 3;
constexpr uchar kMarker = 0xFF;
constexpr uchar kStartOfImage = 0xD8;
constexpr uchar kJfifHeader = 0xE0;
constexpr uchar kComment = 0xFE;
// A segment's length counts its two length bytes and must fit in 16 bits.
constexpr int kMaxCommentBytes = 0xFFFF - 2;
// Temporary names are random; a clash with another file is retried.
constexpr int kPartNameAttempts = 16;
constexpr int kPartNameBase = 36;
// OpenCV's default JPEG quality, which the pictures have always had.
constexpr int kJpegQuality = 95;

// A BGR frame as JPEG, through Qt's codec: the console does not load
// OpenCV's image codecs.
bool encodeJpeg(const cv::Mat& frame, std::vector<uchar>& bytes)
{
    QImage rgb(frame.cols, frame.rows, QImage::Format_RGB888);
    cv::Mat target(frame.rows, frame.cols, CV_8UC3, rgb.bits(),
                   static_cast<size_t>(rgb.bytesPerLine()));
    cv::cvtColor(frame, target, cv::COLOR_BGR2RGB);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(rgb))
        return false;
    bytes.assign(data.cbegin(), data.cend());
    return true;
}

QJsonValue rounded(double value, int decimals)
{
    if (!std::isfinite(value))
        return QJsonValue(QJsonValue::Null);
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QByteArray recordJson(const SnapshotRecord& record, const ProjectInfo& info)
{
    const auto status = [&record](double TelemetrySample::*field) {
        return record.status ? rounded((*record.status).*field, kDecimals)
                             : QJsonValue(QJsonValue::Null);
    };
    QJsonObject project;
    for (const auto& [key, value] : projectFields(info))
        project.insert(key, value);
    QJsonValue recording(QJsonValue::Null);
    if (!record.recordingFile.isEmpty())
        recording = QJsonObject{
            {QStringLiteral("file"), record.recordingFile},
            {QStringLiteral("offset_s"), rounded(record.recordingOffsetS, kOffsetDecimals)}};
    const QJsonObject json{
        {QStringLiteral("format"), QLatin1String(kRecordFormat)},
        {QStringLiteral("time"), isoWallTime(record.time)},
        {QStringLiteral("distance_m"), status(&TelemetrySample::distanceM)},
        {QStringLiteral("cable_m"), status(&TelemetrySample::cableM)},
        {QStringLiteral("roll_deg"), status(&TelemetrySample::rollDeg)},
        {QStringLiteral("pitch_deg"), status(&TelemetrySample::pitchDeg)},
        {QStringLiteral("heading_deg"), status(&TelemetrySample::headingDeg)},
        {QStringLiteral("project"), project},
        {QStringLiteral("recording"), recording},
    };
    // Compact: one line; quotes, backslashes and line breaks come escaped.
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

// The picture with a comment segment holding text after its JFIF header (or
// its start); the coded picture itself stays byte for byte. False when the
// text does not fit one segment or the picture has no JPEG start.
bool addComment(std::vector<uchar>& jpeg, const QByteArray& text)
{
    if (jpeg.size() < 4 || jpeg[0] != kMarker || jpeg[1] != kStartOfImage ||
        text.size() > kMaxCommentBytes)
        return false;
    size_t at = 2;
    if (jpeg.size() >= 6 && jpeg[2] == kMarker && jpeg[3] == kJfifHeader)
        at = 4 + (static_cast<size_t>(jpeg[4]) << 8 | jpeg[5]);
    if (at > jpeg.size())
        return false;
    const size_t length = static_cast<size_t>(text.size()) + 2;
    std::vector<uchar> segment{kMarker, kComment, static_cast<uchar>(length >> 8),
                               static_cast<uchar>(length & 0xFF)};
    segment.insert(segment.end(), text.begin(), text.end());
    jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), segment.begin(), segment.end());
    return true;
}

// The encoded picture into a new file, published whole: it is written under
// a temporary name in its folder and renamed, never over a file already there.
// It is created with the process's file mode, as recordings are, so
// whoever may read the folder may read the picture. False with reason when it
// could not be written whole, in which case nothing is left of it.
bool writeNewFile(const QString& path, const std::vector<uchar>& bytes, QString& reason)
{
    QFile part;
    bool opened = false;
    for (int attempt = 0; attempt < kPartNameAttempts && !opened; ++attempt) {
        // Short and hidden: a picture whose name is as long as names may be
        // still has room for it.
        part.setFileName(QFileInfo(path).dir().filePath(
            QStringLiteral(".snapshot-%1.part")
                .arg(QRandomGenerator::global()->generate(), 0, kPartNameBase)));
        opened = part.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    if (!opened) {
        reason = part.errorString();
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    const bool written =
        part.write(reinterpret_cast<const char*>(bytes.data()), size) == size && part.flush();
    part.close();
    if (written && part.rename(path))
        return true;
    reason = part.errorString();
    part.remove();
    return false;
}

} // namespace

QString SavePicture(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                    const QString& distanceText, const SnapshotRecord& record, QString* error)
{
    if (frame.empty()) {
        return {};
    }
    const QString path = filenames::unusedPath(
        filenames::inFolder(folder, filenames::snapshotName(info, distanceText, record.time)));
    std::vector<uchar> bytes;
    QString reason;
    bool written = false;
    try {
        if (encodeJpeg(frame, bytes)) {
            if (!addComment(bytes, recordJson(record, info))) {
                const std::wstring name = QFileInfo(path).fileName().toStdWString();
                MORAVEL_LOG(L"[Moravel] SavePicture record too long for the picture [%s]",
                            name.c_str());
            }
            written = writeNewFile(path, bytes, reason);
        } else {
            reason = QCoreApplication::translate("SavePicture", "JPEG 编码失败");
        }
    } catch (const cv::Exception& e) {
        reason = QString::fromUtf8(e.what());
    }
    qDebug() << "SavePicture strFullName" << path << written;
    if (written) {
        return path;
    }
    if (error != nullptr) {
        *error = filenames::failureMessage(
            QCoreApplication::translate("SavePicture", "无法保存抓图"), reason, path);
    }
    return {};
}

SnapshotWriter::SnapshotWriter(QObject* parent) : QObject(parent)
{
    // One at a time: names are chosen in the order the snapshots were taken.
    m_pool.setMaxThreadCount(1);
}

SnapshotWriter::~SnapshotWriter()
{
    m_pool.waitForDone();
}

void SnapshotWriter::take(const cv::Mat& frame, const QString& folder, const ProjectInfo& info,
                          const QString& distanceText, const SnapshotRecord& record)
{
    if (frame.empty())
        return;
    m_pool.start([this, frame, folder, info, distanceText, record] {
        crash::guardThisThread();
        QString error;
        SavePicture(frame, folder, info, distanceText, record, &error);
        if (!error.isEmpty())
            emit failed(error);
    });
}
