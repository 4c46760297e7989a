#include "telemetrytrack.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

constexpr double kMicroseconds = 1e6;
// Beyond these a value is a broken record, not a measurement.
constexpr double kMaxTimeS = 1e6;
constexpr double kMaxLengthM = 100000;
constexpr double kMaxAngleDeg = 360;

enum Column { kTime, kDistance, kCable, kRoll, kPitch, kHeading, kColumns };
const char* const kNames[kColumns] = {"video_time_s", "distance_m", "cable_m",
                                      "roll_deg",     "pitch_deg",  "heading_deg"};

// The fields of one line, split at commas outside quotes; enclosing quotes removed.
std::vector<QByteArray> fieldsOf(const QByteArray& line)
{
    std::vector<QByteArray> fields;
    QByteArray field;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r' && c != '\n') {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

// Empty is unknown; anything but a whole number within limit is refused.
bool number(const QByteArray& text, double limit, double& value)
{
    if (text.isEmpty()) {
        value = kUnknown;
        return true;
    }
    const char* end = text.constData() + text.size();
    const auto parsed = std::from_chars(text.constData(), end, value);
    if (parsed.ec != std::errc() || parsed.ptr != end) {
        return false;
    }
    if (!std::isfinite(value) || std::abs(value) > limit) {
        value = kUnknown;
    }
    return true;
}

// One line of at most kMaxLineBytes; a longer one is read to its end and
// given back empty with tooLong set. False at the end of the file.
bool nextLine(QFile& file, QByteArray& line, bool& tooLong)
{
    // readLine(n) reads at most n - 1 bytes.
    line = file.readLine(TelemetryTrack::kMaxLineBytes + 1);
    tooLong = line.size() >= TelemetryTrack::kMaxLineBytes && !line.endsWith('\n');
    bool ended = !tooLong;
    while (!ended && !file.atEnd()) {
        ended = file.readLine(TelemetryTrack::kMaxLineBytes + 1).endsWith('\n');
    }
    return !line.isEmpty();
}

} // namespace

TelemetryTrack TelemetryTrack::read(const QString& path)
{
    TelemetryTrack track;
    if (path.isEmpty()) {
        return track;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        track.m_problem = file.errorString();
        return track;
    }
    QByteArray line;
    bool tooLong = false;
    int columns[kColumns];
    std::size_t width = 0;
    if (nextLine(file, line, tooLong)) {
        const std::vector<QByteArray> header = fieldsOf(line);
        width = header.size();
        for (int c = 0; c < kColumns; ++c) {
            const auto it = std::find(header.begin(), header.end(), QByteArray(kNames[c]));
            columns[c] = it == header.end() ? -1 : static_cast<int>(it - header.begin());
        }
    }
    if (width == 0 || columns[kTime] < 0) {
        track.m_problem = tr("不是遥测文件（没有 video_time_s 列）");
        return track;
    }
    const double limits[kColumns] = {kMaxTimeS,    kMaxLengthM,  kMaxLengthM,
                                     kMaxAngleDeg, kMaxAngleDeg, kMaxAngleDeg};
    int skipped = 0;
    while (nextLine(file, line, tooLong) && track.size() < kMaxRows) {
        const std::vector<QByteArray> fields = fieldsOf(line);
        // A last line without its line break is still being written.
        const bool complete = line.endsWith('\n');
        double values[kColumns];
        bool ok = !tooLong && fields.size() == width;
        for (int c = 0; ok && c < kColumns; ++c) {
            values[c] = kUnknown;
            if (columns[c] >= 0) {
                ok = number(fields[static_cast<std::size_t>(columns[c])], limits[c], values[c]);
            }
        }
        if (!ok || !known(values[kTime]) || values[kTime] < 0) {
            skipped += complete || tooLong ? 1 : 0;
            continue;
        }
        track.m_rows.push_back({values[kTime], values[kDistance], values[kCable], values[kRoll],
                                values[kPitch], values[kHeading]});
        track.m_timesUs.push_back(std::llround(values[kTime] * kMicroseconds));
    }
    if (!std::is_sorted(track.m_timesUs.begin(), track.m_timesUs.end())) {
        std::vector<std::size_t> order(track.m_rows.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return track.m_timesUs[a] < track.m_timesUs[b];
        });
        std::vector<TelemetryReading> rows;
        std::vector<qint64> times;
        for (const std::size_t i : order) {
            rows.push_back(track.m_rows[i]);
            times.push_back(track.m_timesUs[i]);
        }
        track.m_rows.swap(rows);
        track.m_timesUs.swap(times);
    }
    if (skipped > 0) {
        track.m_problem = tr("%n 行无法读取，已略过", nullptr, skipped);
    }
    return track;
}

const TelemetryReading* TelemetryTrack::at(double seconds) const
{
    if (!known(seconds)) {
        return nullptr;
    }
    const qint64 us = std::llround(seconds * kMicroseconds);
    const auto after = std::upper_bound(m_timesUs.begin(), m_timesUs.end(), us);
    if (after == m_timesUs.begin()) {
        return nullptr;
    }
    return &m_rows[static_cast<std::size_t>(after - m_timesUs.begin()) - 1];
}
