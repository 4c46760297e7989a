// Which distances of a telemetry file the crawler can have driven. A
// distance outside 0 to kMaxDistanceM is never taken. Of the rest, a row
// that moved away from the row before it faster than the crawler drives
// starts a new stretch: the rows of a stretch that lasts kMinStretchRows
// are taken (the operator corrected the distance there), a shorter one is a
// glitch and left out. Before any stretch lasted that long (a short file),
// the longest stretch is taken.
#pragma once

#include "indexrecords.h"

#include <QVector>

class DistanceTrack {
public:
    // Four times the crawler's full speed of about 0.5 m/s.
    static constexpr double kMaxSpeedMps = 2.0;
    // Distances are written with two decimals and the cable counter is coarse.
    static constexpr double kSlackM = 0.5;
    // A second of the console's 20 status records a second.
    static constexpr int kMinStretchRows = 20;

    // Offers the next row with a known distance; appends to taken the rows
    // that are taken now, in file order.
    void add(const ProfilePoint& point, QVector<ProfilePoint>& taken);
    // After the last row: appends the rows still waiting that are taken.
    void finish(QVector<ProfilePoint>& taken);
    // Rows left out so far.
    int leftOut() const { return m_leftOut; }

private:
    // b can follow a as the crawler drives.
    static bool reachable(const ProfilePoint& a, const ProfilePoint& b);
    void take(QVector<ProfilePoint>& rows, QVector<ProfilePoint>& taken);
    void leaveOut(QVector<ProfilePoint>& rows);

    bool m_anchored = false;
    ProfilePoint m_last;             // the last row taken
    QVector<ProfilePoint> m_stretch; // rows after a jump, not taken yet
    QVector<ProfilePoint> m_longest; // before any was taken: the longest stretch so far
    int m_leftOut = 0;
};
