#include "framegrab.h"

#include "filenamefields.h"
#include "inspectionindex.h"
#include "savedpicture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

const char* const kSource = "video";
const char* const kTimeFormat = "yyyyMMddHHmmss";
// The distance in a snapshot's name, as the console writes it.
constexpr int kDecimals = 2;
constexpr int kTimeDigits = 14;
// The longest name of one file, in UTF-8 bytes, less room for "-999".
constexpr int kMaxNameBytes = 255 - 4;

QDateTime wallTime(const GrabMoment& m)
{
    return QDateTime::fromMSecsSinceEpoch(m.startMs + std::llround(m.offsetS * 1000));
}

// The location and wells as the recording's name holds them (the console
// cleaned and fitted them to the file system), without its time and number.
QString namePrefix(const QString& recording)
{
    QStringList fields = recording.split(QLatin1Char('-'));
    if (!parseFileName(recording, false).ok) {
        return recording;
    }
    if (fields.last().size() < kTimeDigits) {
        fields.removeLast(); // "-2": a second recording of the same second
    }
    fields.removeLast();
    return fields.join(QLatin1Char('-'));
}

} // namespace

GrabMoment FrameGrab::moment(InspectionIndex& index, const QString& folder,
                             const Recording& recording, double offsetS,
                             const TelemetryTrack& track)
{
    GrabMoment m;
    m.folder = folder;
    m.recording = recording.name;
    m.videoFile = recording.videoFile;
    m.startMs = recording.startMs;
    m.offsetS = offsetS;
    for (const Project& p : index.projects()) {
        if (p.id == recording.projectId) {
            m.project = p.fields;
        }
    }
    if (const TelemetryReading* row = track.at(offsetS)) {
        m.hasRow = true;
        m.row = *row;
    }
    return m;
}

QByteArray FrameGrab::record(const GrabMoment& m)
{
    savedpicture::Record saved;
    saved.source = QLatin1String(kSource);
    saved.time = wallTime(m);
    if (m.hasRow) {
        saved.distanceM = m.row.distanceM;
        saved.cableM = m.row.cableM;
        saved.rollDeg = m.row.rollDeg;
        saved.pitchDeg = m.row.pitchDeg;
        saved.headingDeg = m.row.headingDeg;
    }
    for (const QString& key : projectKeys()) {
        saved.project.insert(key, m.project.value(key));
    }
    saved.recordingFile = m.videoFile;
    saved.recordingOffsetS = m.offsetS;
    return savedpicture::recordJson(saved);
}

QString FrameGrab::fileName(const GrabMoment& m)
{
    // Before the first status record the console names the distance 0.00.
    const double distance = m.hasRow && known(m.row.distanceM) ? m.row.distanceM : 0.0;
    const QString tail = QStringLiteral("-%1M-%2.jpg")
                             .arg(distance, 0, 'f', kDecimals)
                             .arg(wallTime(m).toString(QLatin1String(kTimeFormat)));
    QString prefix = namePrefix(m.recording);
    while (!prefix.isEmpty() && (prefix + tail).toUtf8().size() > kMaxNameBytes) {
        prefix.chop(prefix.size() >= 2 && prefix.at(prefix.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return prefix + tail;
}

QString FrameGrab::write(const QImage& picture, const GrabMoment& m, QString* error)
{
    if (picture.isNull() || !known(m.offsetS)) {
        *error = tr("没有可保存的画面");
        return {};
    }
    if (m.startMs == 0) {
        // The name and the record carry the frame's wall time.
        *error = tr("录像 %1 的开始时间未知，无法为截图命名").arg(m.recording);
        return {};
    }
    const QByteArray jpeg = savedpicture::encodeJpeg(picture);
    if (jpeg.isEmpty()) {
        *error = tr("JPEG 编码失败");
        return {};
    }
    const QByteArray bytes = savedpicture::withComment(jpeg, record(m));
    if (bytes.isEmpty()) {
        *error = tr("截图的记录过长（项目信息太长），未保存");
        return {};
    }
    // Written whole under a hidden name, then renamed: a rename never takes
    // the name of a file that is there.
    const QDir folder(m.folder);
    QFile part;
    QString reason;
    if (!savedpicture::writeHidden(part, folder, QStringLiteral("grab"), bytes, &reason)) {
        *error =
            tr("无法在保存文件夹 %1 写入截图：%2").arg(QDir::toNativeSeparators(m.folder), reason);
        return {};
    }
    const QFileInfo name(fileName(m));
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QString candidate =
            number == 1 ? name.fileName()
                        : QStringLiteral("%1-%2.jpg").arg(name.completeBaseName()).arg(number);
        if (part.rename(folder.filePath(candidate))) {
            return candidate;
        }
        if (!folder.exists(candidate)) {
            *error = tr("无法保存截图 %1：%2").arg(candidate, part.errorString());
            part.remove();
            return {};
        }
    }
    part.remove();
    *error = tr("同一秒的截图已有 %1 张").arg(kMaxNumber);
    return {};
}
