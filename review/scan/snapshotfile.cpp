#include "snapshotfile.h"

#include "filenamefields.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>

#include <algorithm>

namespace {

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kStartOfImage = 0xD8;
constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned char kComment = 0xFE;
constexpr unsigned char kFirstRestart = 0xD0;
constexpr unsigned char kLastRestart = 0xD7;
constexpr unsigned char kTemporary = 0x01;
// The end-of-image marker is looked for this far from the end, past any
// padding a writer may add.
constexpr qint64 kTailBytes = 1024;
// Headers are read in blocks this big until the scan starts.
constexpr qint64 kHeaderBlock = 64 * 1024;

struct JpegLayout {
    QString problem;
    QVector<QByteArray> comments; // every comment segment, in file order
};

JpegLayout readLayout(QFile& file)
{
    JpegLayout layout;
    QByteArray head = file.read(kHeaderBlock);
    const auto byte = [&](qint64 at) -> int {
        while (at >= head.size() && !file.atEnd()) {
            head += file.read(kHeaderBlock);
        }
        return at < head.size() ? static_cast<unsigned char>(head[static_cast<int>(at)]) : -1;
    };
    if (byte(0) != kMarker || byte(1) != kStartOfImage) {
        layout.problem = SnapshotFile::tr("不是 JPEG 文件");
        return layout;
    }
    qint64 at = 2;
    while (true) {
        if (byte(at) != kMarker) {
            layout.problem = byte(at) < 0 ? SnapshotFile::tr("JPEG 文件被截断（头部不完整）")
                                          : SnapshotFile::tr("JPEG 结构损坏");
            return layout;
        }
        while (byte(at) == kMarker) {
            ++at; // fill bytes
        }
        const int marker = byte(at++);
        if (marker < 0) {
            layout.problem = SnapshotFile::tr("JPEG 文件被截断（头部不完整）");
            return layout;
        }
        if (marker == kTemporary || (marker >= kFirstRestart && marker <= kLastRestart)) {
            continue;
        }
        if (marker == kEndOfImage) {
            layout.problem = SnapshotFile::tr("JPEG 文件中没有图像数据");
            return layout;
        }
        const int high = byte(at);
        const int low = byte(at + 1);
        if (high < 0 || low < 0 || (high << 8 | low) < 2) {
            layout.problem = SnapshotFile::tr("JPEG 文件被截断（头部不完整）");
            return layout;
        }
        const qint64 length = high << 8 | low;
        if (byte(at + length - 1) < 0) {
            layout.problem = SnapshotFile::tr("JPEG 文件被截断（头部不完整）");
            return layout;
        }
        if (marker == kComment) {
            layout.comments.push_back(
                head.mid(static_cast<int>(at + 2), static_cast<int>(length - 2)));
        }
        at += length;
        if (marker == kStartOfScan) {
            break;
        }
    }
    // The image data must end with the end-of-image marker.
    const qint64 size = file.size();
    const qint64 from = std::max(at, size - kTailBytes);
    if (!file.seek(from)) {
        layout.problem = SnapshotFile::tr("JPEG 文件被截断（缺少结束标记）");
        return layout;
    }
    const QByteArray tail = file.read(size - from);
    if (!tail.contains(QByteArray("\xFF\xD9", 2))) {
        layout.problem = SnapshotFile::tr("JPEG 文件被截断（缺少结束标记）");
    }
    return layout;
}

double number(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isDouble() ? value.toDouble() : kUnknown;
}

// The comment's record; false when it is not one.
bool readRecord(const QByteArray& comment, SnapshotRead& out)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(comment.trimmed(), &error);
    const QJsonObject record = document.object();
    if (error.error != QJsonParseError::NoError ||
        !record.value("format").toString().startsWith(SnapshotFile::kFormatPrefix)) {
        return false;
    }
    Snapshot& s = out.snapshot;
    const QString time = record.value("time").toString();
    const QDateTime when = QDateTime::fromString(time, Qt::ISODateWithMs);
    if (when.isValid()) {
        s.timeMs = when.toMSecsSinceEpoch();
        s.timeText = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    s.distanceM = number(record, "distance_m");
    s.cableM = number(record, "cable_m");
    s.rollDeg = number(record, "roll_deg");
    s.pitchDeg = number(record, "pitch_deg");
    s.headingDeg = number(record, "heading_deg");
    const QJsonObject project = record.value("project").toObject();
    for (const QString& key : projectKeys()) {
        out.project.insert(key, project.value(key).toString());
    }
    const QJsonObject recording = record.value("recording").toObject();
    const QString video = recording.value("file").toString();
    s.recording = QFileInfo(video).completeBaseName();
    s.offsetS = number(recording, "offset_s");
    out.hasRecord = true;
    return true;
}

} // namespace

SnapshotRead SnapshotFile::read(const QString& path)
{
    SnapshotRead out;
    out.snapshot.file = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.problem = file.errorString();
        return out;
    }
    const JpegLayout layout = readLayout(file);
    if (!layout.problem.isEmpty()) {
        out.problem = layout.problem;
        return out;
    }
    const NameFields name = parseFileName(QFileInfo(path).completeBaseName(), true);
    // Encoders write comments of their own; the record is the one that parses.
    const bool recorded = std::any_of(layout.comments.begin(), layout.comments.end(),
                                      [&](const QByteArray& c) { return readRecord(c, out); });
    if (recorded) {
        if (out.snapshot.timeMs == 0 && name.ok) {
            out.snapshot.timeMs = name.timeMs;
            out.snapshot.timeText = name.timeText;
        }
    } else if (!name.ok) {
        out.problem = tr("既无检测记录，文件名也不是抓图的名称");
        return out;
    } else {
        out.snapshot.distanceM = name.distanceM;
        out.snapshot.timeMs = name.timeMs;
        out.snapshot.timeText = name.timeText;
    }
    // A distance no crawler drives would set the inspected length.
    double& distance = out.snapshot.distanceM;
    if (known(distance) && !plausibleDistance(distance)) {
        out.problem = tr("距离 %1 m 不可能（超出 0–%2 m），未采用")
                          .arg(QString::number(distance, 'g', 6))
                          .arg(kMaxDistanceM);
        distance = kUnknown;
    }
    out.usable = true;
    return out;
}
