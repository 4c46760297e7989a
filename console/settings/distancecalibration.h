// The console's crawl-distance correction. The crawler reports the cable
// paid out; the operator may zero the distance or set it to a known value,
// which anchors it at the reading of that moment.
#pragma once

#include <QString>

struct DistanceCalibration {
    double m_dZeroReference = 0.0;  // reading at the last correction, metres
    double m_dCurrentReading = 0.0; // reported cable length, metres
    QString m_strOverlaySwitch;     // the console's only copy of kDistanceOverlayKey
    double m_dStartDistance = 0.0;  // distance set at the last correction, metres
};

// "检测时叠加" of the distance dialog, "1" or "0"; loaded by the console's
// GetSysInfo and changed by the dialog's save.
extern const char* const kDistanceOverlayKey;

// The largest start distance either way, metres: its shown distance still
// fits a file name and the overlay.
constexpr double kMaxStartDistance = 100000.0;

// Reading - zero reference + start distance, never negative.
double shownDistance(const DistanceCalibration& calibration);

// Fixed notation with two decimals, as the overlay and file names show it.
QString distanceText(double dMetres);
