// Pitch and roll over crawl distance, drawn with QPainter into any device:
// axes with ticks and labels, a zero line, one line per angle and a legend.
#pragma once

#include "indexrecords.h"

#include <QCoreApplication>
#include <QRectF>
#include <QVector>

class QPainter;

class ProfileChart {
    Q_DECLARE_TR_FUNCTIONS(ProfileChart)
public:
    static constexpr double kMinAngleSpanDeg = 2.0;
    static constexpr double kMinDistanceSpanM = 1.0;

    explicit ProfileChart(QVector<ProfilePoint> points);
    // Paints into area; a chart without points says so instead.
    void paint(QPainter& painter, const QRectF& area) const;

private:
    QVector<ProfilePoint> m_points; // by distance
};
