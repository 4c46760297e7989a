#include "distancecalibration.h"

#include <cmath>

namespace {
constexpr int kDistanceDecimals = 2;
} // namespace

const char* const kDistanceOverlayKey = "/codingset/discheck";

double shownDistance(const DistanceCalibration& calibration)
{
    const double distance =
        calibration.m_dCurrentReading - calibration.m_dZeroReference + calibration.m_dStartDistance;
    // A non-finite value would print as "nan" or "inf" into overlay and names.
    if (!std::isfinite(distance) || distance < 0.0)
        return 0.0;
    return distance;
}

QString distanceText(double dMetres)
{
    return QString::number(dMetres, 'f', kDistanceDecimals);
}
