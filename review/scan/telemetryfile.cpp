#include "telemetryfile.h"

#include "csvstream.h"
#include "distancetrack.h"
#include "filenamefields.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

const char* const kVideoTime = "video_time_s";
const char* const kDistance = "distance_m";
const char* const kRoll = "roll_deg";
const char* const kPitch = "pitch_deg";

using Field = CsvStream::Field;

// An empty field is unknown; anything else must be a whole number text.
bool parseNumber(Field f, double& value)
{
    f = CsvStream::unquoted(f);
    if (f.begin == f.end) {
        value = kUnknown;
        return true;
    }
    const auto result = std::from_chars(f.begin, f.end, value);
    return result.ec == std::errc() && result.ptr == f.end;
}

// A value no recording has is unknown, and counted.
void dropImpossible(double& value, double limit, int& dropped)
{
    if (known(value) && std::abs(value) > limit) {
        value = kUnknown;
        ++dropped;
    }
}

// The rows taken, as the distance range of the recording and its profile
// of one point a second and the last row.
class ThinnedProfile {
public:
    ThinnedProfile(Recording& recording, QVector<ProfilePoint>& points)
        : m_recording(recording), m_points(points)
    {
    }
    // Takes the rows and empties the list.
    void add(QVector<ProfilePoint>& rows)
    {
        Recording& r = m_recording;
        for (const ProfilePoint& p : rows) {
            r.minDistanceM =
                known(r.minDistanceM) ? std::min(r.minDistanceM, p.distanceM) : p.distanceM;
            r.maxDistanceM =
                known(r.maxDistanceM) ? std::max(r.maxDistanceM, p.distanceM) : p.distanceM;
            m_last = p;
            m_lastIsKept = !known(p.videoTimeS) || !known(m_lastKept) ||
                           p.videoTimeS >= m_lastKept + TelemetryFile::kProfileStepS;
            if (m_lastIsKept) {
                m_points.push_back(p);
                m_lastKept = known(p.videoTimeS) ? p.videoTimeS : m_lastKept;
            }
        }
        rows.clear();
    }
    // The profile reaches the last row, wherever the last second began.
    void finish()
    {
        if (!m_lastIsKept && known(m_last.distanceM)) {
            m_points.push_back(m_last);
        }
    }

private:
    Recording& m_recording;
    QVector<ProfilePoint>& m_points;
    double m_lastKept = kUnknown;
    ProfilePoint m_last;
    bool m_lastIsKept = false;
};

// Why reading stopped before the end, for the file's problem; empty when it did not.
QString stopReason(const CsvStream& stream, qint64 maxBytes)
{
    switch (stream.stop()) {
    case CsvStream::Stop::RecordTooLong:
        return TelemetryFile::tr("第 %1 行超过 %2 KiB，其后未读")
            .arg(stream.records() + 1)
            .arg(CsvStream::kMaxRecordBytes / 1024);
    case CsvStream::Stop::TooLarge:
        return TelemetryFile::tr("文件超过 %1 MiB，其后未读").arg(maxBytes >> 20);
    case CsvStream::Stop::ReadError:
        return TelemetryFile::tr("第 %1 行之后读取出错，其后未读").arg(stream.records());
    case CsvStream::Stop::Reading:
    case CsvStream::Stop::End:
        break;
    }
    return QString();
}

} // namespace

TelemetryRead TelemetryFile::read(const QString& path, qint64 maxBytes)
{
    TelemetryRead out;
    const QFileInfo info(path);
    Recording& r = out.recording;
    r.name = info.completeBaseName();
    r.csvFile = info.fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.problem = file.errorString();
        return out;
    }
    CsvStream stream(file, maxBytes);
    CsvStream::Record fields;
    bool complete = false;
    if (!stream.next(fields, complete) || !complete) {
        out.problem =
            stream.stop() == CsvStream::Stop::RecordTooLong
                ? tr("不是遥测文件（第一行超过 %1 KiB）").arg(CsvStream::kMaxRecordBytes / 1024)
                : tr("不是遥测文件（没有表头）");
        return out;
    }
    const auto column = [&](const char* name) {
        const auto it = std::find_if(fields.begin(), fields.end(), [&](Field f) {
            f = CsvStream::unquoted(f);
            return QByteArray::fromRawData(f.begin, static_cast<int>(f.end - f.begin)) == name;
        });
        return it == fields.end() ? -1 : static_cast<int>(it - fields.begin());
    };
    const int time = column(kVideoTime);
    const int distance = column(kDistance);
    const int roll = column(kRoll);
    const int pitch = column(kPitch);
    const std::size_t width = fields.size();
    if (std::min({time, distance, roll, pitch}) < 0) {
        out.problem =
            tr("不是遥测文件（表头缺少 video_time_s、distance_m、roll_deg 或 pitch_deg）");
        return out;
    }
    const NameFields name = parseFileName(r.name, false);
    if (name.ok) {
        r.startMs = name.timeMs;
        r.startText = name.timeText;
    }

    int badRows = 0;
    int impossible = 0;
    DistanceTrack track;
    ThinnedProfile profile(r, out.profile);
    QVector<ProfilePoint> taken;
    while (stream.next(fields, complete)) {
        ProfilePoint p;
        const bool parsed = fields.size() == width && parseNumber(fields[time], p.videoTimeS) &&
                            parseNumber(fields[distance], p.distanceM) &&
                            parseNumber(fields[roll], p.rollDeg) &&
                            parseNumber(fields[pitch], p.pitchDeg);
        if (!parsed) {
            // A last line without its line break is still being written.
            badRows += complete ? 1 : 0;
            continue;
        }
        dropImpossible(p.videoTimeS, kMaxRecordingS, impossible);
        dropImpossible(p.rollDeg, kMaxAngleDeg, impossible);
        dropImpossible(p.pitchDeg, kMaxAngleDeg, impossible);
        if (known(p.videoTimeS) && p.videoTimeS < 0) {
            p.videoTimeS = kUnknown;
            ++impossible;
        }
        if (known(p.videoTimeS)) {
            r.durationS = known(r.durationS) ? std::max(r.durationS, p.videoTimeS) : p.videoTimeS;
        }
        if (known(p.distanceM)) {
            track.add(p, taken);
            profile.add(taken);
        }
    }
    track.finish(taken);
    profile.add(taken);
    profile.finish();

    QStringList problems;
    if (badRows > 0) {
        problems << tr("%n 行无法读取，已略过", nullptr, badRows);
    }
    if (track.leftOut() > 0) {
        problems << tr("%n 行的距离不可能（超出 0–%1 m，或快于爬行器的速度跳变），"
                       "未用于长度和剖面",
                       nullptr, track.leftOut())
                        .arg(kMaxDistanceM);
    }
    if (impossible > 0) {
        problems << tr("%n 个时间或角度值不可能，已略过", nullptr, impossible);
    }
    problems << stopReason(stream, maxBytes);
    problems.removeAll(QString());
    out.problem = problems.join(tr("；"));
    out.usable = true;
    return out;
}
