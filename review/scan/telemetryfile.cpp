#include "telemetryfile.h"

#include "filenamefields.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <vector>

namespace {

const char* const kVideoTime = "video_time_s";
const char* const kDistance = "distance_m";
const char* const kRoll = "roll_deg";
const char* const kPitch = "pitch_deg";

// One field of a record, pointing into the file's bytes.
struct Field {
    const char* begin;
    const char* end;
};
using Record = std::vector<Field>;

// The next RFC 4180 record from p; false at the end. complete tells whether
// it ended with a line break (the last one of a file still being written
// may not). Quoted fields keep their quotes; see unquoted().
bool nextRecord(const char*& p, const char* end, Record& fields, bool& complete)
{
    fields.clear();
    complete = false;
    if (p >= end) {
        return false;
    }
    const char* start = p;
    bool quoted = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted; // a doubled quote toggles twice
        } else if (!quoted && c == ',') {
            fields.push_back({start, p});
            start = p + 1;
        } else if (!quoted && c == '\n') {
            fields.push_back({start, p > start && p[-1] == '\r' ? p - 1 : p});
            ++p;
            complete = true;
            return true;
        }
    }
    fields.push_back({start, p});
    return true;
}

// A field without its enclosing quotes; numbers and names hold no quote inside.
Field unquoted(Field f)
{
    if (f.end - f.begin >= 2 && *f.begin == '"' && f.end[-1] == '"') {
        return {f.begin + 1, f.end - 1};
    }
    return f;
}

// An empty field is unknown; anything else must be a whole number text.
bool parseNumber(Field f, double& value)
{
    f = unquoted(f);
    if (f.begin == f.end) {
        value = kUnknown;
        return true;
    }
    const auto result = std::from_chars(f.begin, f.end, value);
    return result.ec == std::errc() && result.ptr == f.end;
}

} // namespace

TelemetryRead TelemetryFile::read(const QString& path)
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
    const QByteArray data = file.readAll();
    const char* at = data.constData();
    const char* const end = at + data.size();
    Record fields;
    bool complete = false;
    if (!nextRecord(at, end, fields, complete) || !complete) {
        out.problem = tr("不是遥测文件（没有表头）");
        return out;
    }
    const auto column = [&](const char* name) {
        const auto it = std::find_if(fields.begin(), fields.end(), [&](Field f) {
            f = unquoted(f);
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
    double lastKept = kUnknown;
    ProfilePoint last;
    bool lastKeptIsLast = false;
    while (nextRecord(at, end, fields, complete)) {
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
        if (known(p.videoTimeS)) {
            r.durationS = known(r.durationS) ? std::max(r.durationS, p.videoTimeS) : p.videoTimeS;
        }
        if (!known(p.distanceM)) {
            continue;
        }
        r.minDistanceM =
            known(r.minDistanceM) ? std::min(r.minDistanceM, p.distanceM) : p.distanceM;
        r.maxDistanceM =
            known(r.maxDistanceM) ? std::max(r.maxDistanceM, p.distanceM) : p.distanceM;
        last = p;
        lastKeptIsLast =
            !known(p.videoTimeS) || !known(lastKept) || p.videoTimeS >= lastKept + kProfileStepS;
        if (lastKeptIsLast) {
            out.profile.push_back(p);
            lastKept = known(p.videoTimeS) ? p.videoTimeS : lastKept;
        }
    }
    // The profile reaches the last record, wherever the last second began.
    if (!lastKeptIsLast && known(last.distanceM)) {
        out.profile.push_back(last);
    }
    if (badRows > 0) {
        out.problem = tr("%n 行无法读取，已略过", nullptr, badRows);
    }
    out.usable = true;
    return out;
}
