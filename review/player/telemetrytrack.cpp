#include "telemetrytrack.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string_view>

namespace {

constexpr double kMicroseconds = 1e6;
constexpr qint64 kChunkBytes = 1 << 20;
// Beyond these a value is a broken record, not a measurement.
constexpr double kMaxTimeS = 1e6;
constexpr double kMaxLengthM = 100000;
constexpr double kMaxAngleDeg = 360;

enum Column { kTime, kDistance, kCable, kRoll, kPitch, kHeading, kColumns };
const char* const kNames[kColumns] = {"video_time_s", "distance_m", "cable_m",
                                      "roll_deg",     "pitch_deg",  "heading_deg"};
const double kLimits[kColumns] = {kMaxTimeS,    kMaxLengthM,  kMaxLengthM,
                                  kMaxAngleDeg, kMaxAngleDeg, kMaxAngleDeg};

// The fields of one line (without its line end), split at commas outside
// quotes, enclosing quotes removed; views into the line.
void splitFields(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"') {
            quoted = !quoted;
        } else if (i == line.size() || (line[i] == ',' && !quoted)) {
            std::string_view field = line.substr(start, i - start);
            if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
                field = field.substr(1, field.size() - 2);
            }
            fields.push_back(field);
            start = i + 1;
        }
    }
}

// Empty is unknown; anything but a whole number is refused; a number
// beyond limit is unknown.
bool number(std::string_view text, double limit, double& value)
{
    value = kUnknown;
    if (text.empty()) {
        return true;
    }
    double parsed = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return false;
    }
    if (std::isfinite(parsed) && std::abs(parsed) <= limit) {
        value = parsed;
    }
    return true;
}

// Lines of a file read in chunks, each at most TelemetryTrack::kMaxLineBytes
// long; a longer one is passed over and counted.
class LineReader {
public:
    explicit LineReader(QFile& file) : m_file(file) {}

    // The next line without its line end; false at the end. complete: it
    // ended with a line break (the last line of a file being written may not).
    bool next(std::string_view& line, bool& complete)
    {
        for (;;) {
            const int end = m_buffer.indexOf('\n', m_at);
            if (end >= 0) {
                const bool whole = !m_skipping && end - m_at <= TelemetryTrack::kMaxLineBytes;
                tooLong += !m_skipping && !whole ? 1 : 0;
                m_skipping = false;
                const int from = m_at;
                m_at = end + 1;
                if (whole) {
                    line = view(from, end > from && m_buffer[end - 1] == '\r' ? end - 1 : end);
                    complete = true;
                    return true;
                }
                continue;
            }
            if (!m_skipping && m_buffer.size() - m_at > TelemetryTrack::kMaxLineBytes) {
                ++tooLong;
                m_skipping = true; // read on to its end
            }
            if (m_skipping) {
                m_at = m_buffer.size();
            }
            const QByteArray more = m_file.read(kChunkBytes);
            if (more.isEmpty()) {
                line = view(m_at, m_buffer.size());
                m_at = m_buffer.size();
                complete = false;
                return !line.empty();
            }
            m_buffer = m_buffer.mid(m_at) + more;
            m_at = 0;
        }
    }

    int tooLong = 0;

private:
    std::string_view view(int from, int to) const
    {
        return {m_buffer.constData() + from, static_cast<size_t>(to - from)};
    }

    QFile& m_file;
    QByteArray m_buffer;
    int m_at = 0;
    bool m_skipping = false; // within a line too long
};

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
    LineReader lines(file);
    std::string_view line;
    bool complete = false;
    std::vector<std::string_view> fields;
    int columns[kColumns];
    std::fill(std::begin(columns), std::end(columns), -1);
    if (lines.next(line, complete)) {
        splitFields(line, fields);
        for (int c = 0; c < kColumns; ++c) {
            const auto it = std::find(fields.begin(), fields.end(), kNames[c]);
            columns[c] = it == fields.end() ? -1 : static_cast<int>(it - fields.begin());
        }
    }
    const size_t width = fields.size();
    if (columns[kTime] < 0) {
        track.m_problem = tr("不是遥测文件（没有 video_time_s 列）");
        return track;
    }
    int skipped = 0;
    while (track.size() < kMaxRows && lines.next(line, complete)) {
        splitFields(line, fields);
        double values[kColumns];
        bool ok = fields.size() == width;
        for (int c = 0; ok && c < kColumns; ++c) {
            values[c] = kUnknown;
            if (columns[c] >= 0) {
                ok = number(fields[static_cast<size_t>(columns[c])], kLimits[c], values[c]);
            }
        }
        if (!ok || !known(values[kTime]) || values[kTime] < 0) {
            skipped += complete ? 1 : 0; // a last line may still be being written
            continue;
        }
        track.m_rows.push_back({values[kTime], values[kDistance], values[kCable], values[kRoll],
                                values[kPitch], values[kHeading]});
        track.m_timesUs.push_back(std::llround(values[kTime] * kMicroseconds));
    }
    skipped += lines.tooLong;
    if (!std::is_sorted(track.m_timesUs.begin(), track.m_timesUs.end())) {
        std::vector<size_t> order(track.m_rows.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return track.m_timesUs[a] < track.m_timesUs[b];
        });
        std::vector<TelemetryReading> rows;
        std::vector<qint64> times;
        for (const size_t i : order) {
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
    return &m_rows[static_cast<size_t>(after - m_timesUs.begin()) - 1];
}
