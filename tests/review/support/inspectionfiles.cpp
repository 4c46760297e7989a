#include "inspectionfiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace reviewtest {

namespace {

constexpr int kToolTimeoutMs = 120000;
constexpr int kJpegQuality = 85;
const char* const kTimeFormat = "yyyyMMddHHmmss";

// ISO 8601 with milliseconds and the offset written out, also "+00:00".
QString isoTime(const QDateTime& time)
{
    const int offset = time.offsetFromUtc() / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
}

QString srtTime(int seconds)
{
    return QStringLiteral("%1:%2:%3,000")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProjectFields project(const QString& location, const QString& startWell, const QString& endWell)
{
    return {{"unitcompany", "城市管网检测中心"},
            {"inspector", "李工"},
            {"no", "GW-2026-017"},
            {"taskname", "雨污管网普查"},
            {"location", location},
            {"startwellno", startWell},
            {"endwellno", endWell},
            {"pipdiameter", "600"},
            {"direction", "顺流"},
            {"piptype", "雨污合流"},
            {"pipmeterial", "混凝土"},
            {"description", "管道内窥检测"}};
}

QString recordingBaseName(const ProjectFields& p, const QDateTime& start)
{
    return QStringList{p.value("location"), p.value("startwellno"), p.value("endwellno"),
                       start.toString(kTimeFormat)}
        .join('-');
}

QString snapshotName(const ProjectFields& p, double distanceM, const QDateTime& time)
{
    return QStringList{p.value("location"), p.value("startwellno"), p.value("endwellno"),
                       QString::number(distanceM, 'f', 2) + "M", time.toString(kTimeFormat)}
               .join('-') +
           ".jpg";
}

QByteArray snapshotComment(const ProjectFields& p, const SnapshotRecord& r)
{
    QJsonObject fields;
    for (auto it = p.begin(); it != p.end(); ++it) {
        fields.insert(it.key(), it.value());
    }
    QJsonObject record{{"format", "moravel-snapshot/1"},
                       {"time", isoTime(r.time)},
                       {"distance_m", r.distanceM},
                       {"cable_m", r.distanceM + 0.05},
                       {"roll_deg", r.rollDeg},
                       {"pitch_deg", r.pitchDeg},
                       {"heading_deg", 93.1},
                       {"project", fields}};
    record.insert("recording", r.recordingFile.isEmpty() ? QJsonValue()
                                                         : QJsonObject{{"file", r.recordingFile},
                                                                       {"offset_s", r.offsetS}});
    return QJsonDocument(record).toJson(QJsonDocument::Compact);
}

QByteArray jpegBytes(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(90, 80, 70));
    QPainter painter(&image);
    painter.setBrush(QColor(160, 150, 130));
    painter.drawEllipse(image.rect().adjusted(size.width() / 8, size.height() / 8,
                                              -size.width() / 8, -size.height() / 8));
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", kJpegQuality);
    return buffer.data();
}

QByteArray withComments(QByteArray jpeg, const QVector<QByteArray>& comments)
{
    QByteArray segments;
    for (const QByteArray& comment : comments) {
        const int length = comment.size() + 2;
        segments += QByteArray("\xFF\xFE", 2) + char(length >> 8) + char(length & 0xFF) + comment;
    }
    return jpeg.insert(2, segments); // right after the start-of-image marker
}

bool writeJpeg(const QString& path, const QSize& size, const QVector<QByteArray>& comments)
{
    const QByteArray bytes = withComments(jpegBytes(size), comments);
    QFile file(path);
    return !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeRecording(const QString& path, int seconds, const ProjectFields* record,
                    const QDateTime& start)
{
    QTemporaryDir work;
    QFile cues(work.filePath("cues.srt"));
    if (!cues.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (int s = 0; s < seconds; ++s) {
        cues.write(QStringLiteral("%1\n%2 --> %3\n%4.00 M  横滚 0.10°  俯仰 0.20°\n\n")
                       .arg(s + 1)
                       .arg(srtTime(s), srtTime(s + 1))
                       .arg(s)
                       .toUtf8());
    }
    cues.close();
    QStringList arguments{
        "-hide_banner", "-loglevel",
        "error",        "-y",
        "-f",           "lavfi",
        "-i",           QStringLiteral("testsrc=size=320x240:rate=25:duration=%1").arg(seconds),
        "-i",           cues.fileName(),
        "-map",         "0:v",
        "-map",         "1:s",
        "-c:v",         "mpeg4",
        "-tag:v",       "mp4v",
        "-g",           "25",
        "-c:s",         "mov_text",
        "-movflags",    "frag_keyframe+empty_moov+default_base_moof+use_metadata_tags"};
    if (record != nullptr) {
        for (auto it = record->begin(); it != record->end(); ++it) {
            arguments << "-metadata" << it.key() + "=" + it.value();
        }
        arguments << "-metadata"
                  << "start_time=" + isoTime(start) << "-metadata"
                  << "moravel_format=1";
    }
    arguments << path;
    return QProcess::execute("ffmpeg", arguments) == 0;
}

bool writeTelemetry(const QString& path, const QDateTime& start, const QVector<TelemetryRow>& rows)
{
    const QByteArray text = telemetryText(start, rows);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArray telemetryText(const QDateTime& start, const QVector<TelemetryRow>& rows)
{
    QByteArray text = "wall_time,video_time_s,distance_m,cable_m,roll_deg,pitch_deg,heading_deg,"
                      "body_pressure_kpa,lens_pressure_kpa,body_temp_c,lens_temp_c,remote_state\n";
    text.reserve(text.size() + rows.size() * 120);
    // Wall times: the second's text once, the milliseconds per row.
    qint64 second = -1;
    QByteArray date;
    QByteArray zone;
    for (const TelemetryRow& r : rows) {
        const qint64 ms = start.toMSecsSinceEpoch() + static_cast<qint64>(r.videoTimeS * 1000);
        if (ms / 1000 != second) {
            second = ms / 1000;
            const QString iso = isoTime(start.addMSecs(second * 1000 - start.toMSecsSinceEpoch()));
            date = iso.left(19).toLatin1(); // yyyy-MM-ddTHH:mm:ss
            zone = iso.mid(23).toLatin1();  // after ".zzz"
        }
        text += date + '.' + QByteArray::number(1000 + ms % 1000).mid(1) + zone + ',' +
                QByteArray::number(r.videoTimeS, 'f', 3) + ',' +
                QByteArray::number(r.distanceM, 'f', 2) + ',' +
                QByteArray::number(r.distanceM + 0.05, 'f', 2) + ',' +
                QByteArray::number(r.rollDeg, 'f', 2) + ',' +
                QByteArray::number(r.pitchDeg, 'f', 2) + ",93.10,101.300,101.200,31.50,30.25,0\n";
    }
    return text;
}

Observation defect(const QString& snapshot, const QString& code, const QString& name,
                   const QString& kind, int grade, const QString& remark, bool scored)
{
    Observation o;
    o.snapshot = snapshot;
    o.codeTable = "cjj181-defects";
    o.code = code;
    o.name = name;
    o.kind = kind;
    o.scored = scored;
    o.grade = grade;
    o.remark = remark;
    return o;
}

Observation note(const QString& snapshot, const QString& text)
{
    Observation o;
    o.snapshot = snapshot;
    o.name = text;
    return o;
}

Inspection writeInspection(const QString& folder, const QVector<double>& distances, int seconds)
{
    constexpr int kRate = 20;
    constexpr double kSwingDeg = 3.0;
    constexpr double kPeriodM = 4.0;
    constexpr double kTwoPi = 6.283185307179586;
    Inspection inspection;
    inspection.project = project("滨江路", "Y12", "Y13");
    inspection.start = QDateTime::fromString("20261207101500", "yyyyMMddHHmmss");
    inspection.recording = recordingBaseName(inspection.project, inspection.start);
    const QDir dir(folder);
    const double far =
        distances.isEmpty() ? 1.0 : *std::max_element(distances.begin(), distances.end());
    QVector<TelemetryRow> rows;
    for (int i = 0; i <= seconds * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double d = far * t / seconds;
        rows.push_back({t, d, kSwingDeg * std::sin(kTwoPi * d / kPeriodM),
                        kSwingDeg / 2 * std::cos(kTwoPi * d / kPeriodM)});
    }
    writeRecording(dir.filePath(inspection.recording + ".mp4"), seconds, &inspection.project,
                   inspection.start);
    writeTelemetry(dir.filePath(inspection.recording + ".csv"), inspection.start, rows);
    for (const double d : distances) {
        const double offset = seconds * d / far;
        SnapshotRecord record{inspection.start.addMSecs(static_cast<qint64>(offset * 1000)),
                              d,
                              0.1,
                              -0.2,
                              inspection.recording + ".mp4",
                              offset};
        const QString name = snapshotName(inspection.project, d, record.time);
        writeJpeg(dir.filePath(name), QSize(640, 360),
                  {snapshotComment(inspection.project, record)});
        inspection.snapshots << name;
    }
    return inspection;
}

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeoutMs) || tool.exitCode() != 0) {
        return {};
    }
    return tool.readAllStandardOutput();
}

} // namespace reviewtest
