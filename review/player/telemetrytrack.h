// A recording's telemetry CSV read whole, for the playhead: the row at or
// before any moment. Read as a stream with bounded lines and rows, so a
// damaged or hostile file costs little; rows that cannot be read are
// skipped and counted.
#pragma once

#include "indexrecords.h"

#include <QCoreApplication>
#include <QString>

#include <vector>

struct TelemetryReading {
    double videoTimeS = kUnknown;
    double distanceM = kUnknown;
    double cableM = kUnknown;
    double rollDeg = kUnknown;
    double pitchDeg = kUnknown;
    double headingDeg = kUnknown;
};

class TelemetryTrack {
    Q_DECLARE_TR_FUNCTIONS(TelemetryTrack)
public:
    // A line longer than this is no telemetry row.
    static constexpr int kMaxLineBytes = 4096;
    // About a day of status records at 20 a second.
    static constexpr int kMaxRows = 2'000'000;

    // An empty track with problem() when the file cannot be read; a missing
    // path (no CSV) gives an empty track without a problem.
    static TelemetryTrack read(const QString& path);

    bool isEmpty() const { return m_rows.empty(); }
    int size() const { return static_cast<int>(m_rows.size()); }
    // Why the file (or some of its rows) could not be read; empty otherwise.
    const QString& problem() const { return m_problem; }
    // The row whose time is at or before seconds; null before the first.
    const TelemetryReading* at(double seconds) const;

private:
    std::vector<qint64> m_timesUs; // in step with m_rows, ascending
    std::vector<TelemetryReading> m_rows;
    QString m_problem;
};
