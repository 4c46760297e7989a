// The benchmark's recordings: one hour each of a still pipe picture with
// its frame number changing in it (as the console's overlay changes), made
// once through the console's writer and kept in a cache folder, with the
// times of their frames.
#pragma once

#include <QString>

#include <vector>

struct BenchRecording {
    QString codec; // "MPEG-4 Part 2" or "H.264"
    QString folder;
    QString name; // base name
    QString video;
    QString telemetry;
    std::vector<double> frameTimes; // ascending
};

// The recording of the codec in cacheFolder, made first when missing (which
// takes long: an hour of 1596 x 1080 frames). Empty video on failure.
BenchRecording benchRecording(const QString& cacheFolder, bool h264);
