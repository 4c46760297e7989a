#include "distancetrack.h"

#include <cmath>

bool DistanceTrack::reachable(const ProfilePoint& a, const ProfilePoint& b)
{
    const double seconds = known(a.videoTimeS) && known(b.videoTimeS)
                               ? std::max(0.0, b.videoTimeS - a.videoTimeS)
                               : 0.0;
    return std::abs(b.distanceM - a.distanceM) <= kMaxSpeedMps * seconds + kSlackM;
}

void DistanceTrack::take(QVector<ProfilePoint>& rows, QVector<ProfilePoint>& taken)
{
    if (!rows.isEmpty()) {
        taken += rows;
        m_last = rows.last();
        m_anchored = true;
        rows.clear();
    }
}

void DistanceTrack::leaveOut(QVector<ProfilePoint>& rows)
{
    m_leftOut += static_cast<int>(rows.size());
    rows.clear();
}

void DistanceTrack::add(const ProfilePoint& point, QVector<ProfilePoint>& taken)
{
    if (!plausibleDistance(point.distanceM)) {
        ++m_leftOut;
        return;
    }
    if (m_anchored && reachable(m_last, point)) {
        leaveOut(m_stretch);
        QVector<ProfilePoint> one{point};
        take(one, taken);
        return;
    }
    if (!m_stretch.isEmpty() && !reachable(m_stretch.last(), point)) {
        if (!m_anchored && m_stretch.size() > m_longest.size()) {
            leaveOut(m_longest);
            m_longest.swap(m_stretch);
        }
        leaveOut(m_stretch);
    }
    m_stretch.push_back(point);
    if (m_stretch.size() >= kMinStretchRows) {
        leaveOut(m_longest);
        take(m_stretch, taken);
    }
}

void DistanceTrack::finish(QVector<ProfilePoint>& taken)
{
    if (!m_anchored && m_stretch.size() > m_longest.size()) {
        m_longest.swap(m_stretch);
    }
    leaveOut(m_stretch);
    if (!m_anchored) {
        take(m_longest, taken);
    }
    leaveOut(m_longest);
}
