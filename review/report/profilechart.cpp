#include "profilechart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor kPitchColour(0, 90, 200);
const QColor kRollColour(200, 40, 30);
const QColor kGridColour(200, 200, 200);
constexpr int kTicks = 5;
// Margins of the plot inside the area, as fractions of the area's size.
constexpr double kLeft = 0.09;
constexpr double kRight = 0.03;
constexpr double kTop = 0.08;
constexpr double kBottom = 0.10;
constexpr double kLineWidthFraction = 0.0025;

// A round step that divides span into about kTicks parts: 1, 2 or 5 x 10^n.
double niceStep(double span)
{
    const double raw = span / kTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * magnitude) {
            return factor * magnitude;
        }
    }
    return 10.0 * magnitude;
}

} // namespace

ProfileChart::ProfileChart(QVector<ProfilePoint> points)
{
    points.erase(
        std::remove_if(points.begin(), points.end(),
                       [](const ProfilePoint& p) { return !plausibleDistance(p.distanceM); }),
        points.end());
    std::stable_sort(
        points.begin(), points.end(),
        [](const ProfilePoint& a, const ProfilePoint& b) { return a.distanceM < b.distanceM; });
    m_points = std::move(points);
}

void ProfileChart::paint(QPainter& painter, const QRectF& area) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plot(area.left() + area.width() * kLeft, area.top() + area.height() * kTop,
                      area.width() * (1 - kLeft - kRight), area.height() * (1 - kTop - kBottom));
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double lineWidth = std::max(1.0, area.width() * kLineWidthFraction);

    double lowX = 0;
    double highX = kMinDistanceSpanM;
    double angle = kMinAngleSpanDeg / 2;
    if (!m_points.isEmpty()) {
        lowX = m_points.front().distanceM;
        highX = std::max(m_points.back().distanceM, lowX + kMinDistanceSpanM);
        for (const ProfilePoint& p : m_points) {
            for (const double value : {p.pitchDeg, p.rollDeg}) {
                if (known(value)) {
                    angle = std::max(angle, std::abs(value));
                }
            }
        }
    }
    const double stepY = niceStep(2 * angle);
    const double highY = std::ceil(angle / stepY) * stepY;
    const double stepX = niceStep(highX - lowX);
    const auto x = [&](double metres) {
        return plot.left() + (metres - lowX) / (highX - lowX) * plot.width();
    };
    const auto y = [&](double degrees) {
        return plot.center().y() - degrees / highY * plot.height() / 2;
    };

    // Grid, ticks and labels.
    painter.setPen(QPen(kGridColour, lineWidth / 2));
    for (double v = -highY; v <= highY + stepY / 2; v += stepY) {
        painter.drawLine(QPointF(plot.left(), y(v)), QPointF(plot.right(), y(v)));
        const QString label = QString::number(v, 'g', 3) + QStringLiteral("°");
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y(v) - metrics.height() / 2,
                                plot.left() - area.left() - metrics.averageCharWidth(),
                                metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
        painter.setPen(QPen(kGridColour, lineWidth / 2));
    }
    for (double v = std::ceil(lowX / stepX) * stepX; v <= highX + stepX / 1000; v += stepX) {
        painter.drawLine(QPointF(x(v), plot.top()), QPointF(x(v), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x(v) - plot.width() / kTicks / 2, plot.bottom(),
                                plot.width() / kTicks, metrics.height() * 1.5),
                         Qt::AlignCenter, QString::number(v, 'g', 6));
        painter.setPen(QPen(kGridColour, lineWidth / 2));
    }
    painter.setPen(QPen(Qt::black, lineWidth / 2));
    painter.drawRect(plot);
    painter.drawLine(QPointF(plot.left(), y(0)), QPointF(plot.right(), y(0)));
    painter.drawText(QRectF(plot.left(), plot.bottom() + metrics.height() * 1.5, plot.width(),
                            metrics.height() * 1.5),
                     Qt::AlignCenter, tr("距离（m）"));

    if (m_points.isEmpty()) {
        painter.drawText(plot, Qt::AlignCenter, tr("无遥测数据"));
        painter.restore();
        return;
    }
    // One line per angle; an unknown value breaks its line.
    const auto series = [&](double ProfilePoint::*angleOf, const QColor& colour) {
        QPainterPath path;
        bool drawing = false;
        for (const ProfilePoint& p : m_points) {
            const double value = p.*angleOf;
            if (!known(value)) {
                drawing = false;
                continue;
            }
            const QPointF at(x(p.distanceM), y(value));
            drawing ? path.lineTo(at) : path.moveTo(at);
            drawing = true;
        }
        painter.setPen(QPen(colour, lineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
    };
    painter.setClipRect(plot);
    series(&ProfilePoint::pitchDeg, kPitchColour);
    series(&ProfilePoint::rollDeg, kRollColour);
    painter.setClipping(false);

    // Legend above the plot's right end.
    const double swatch = metrics.height() * 2;
    double at = plot.right();
    for (const auto& [label, colour] :
         {std::pair{tr("横滚"), kRollColour}, std::pair{tr("俯仰"), kPitchColour}}) {
        const double width = metrics.horizontalAdvance(label);
        at -= width;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(at, plot.top() - metrics.height() * 1.5, width, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
        at -= swatch * 1.2;
        painter.setPen(QPen(colour, lineWidth * 2));
        const double mid = plot.top() - metrics.height();
        painter.drawLine(QPointF(at, mid), QPointF(at + swatch, mid));
        at -= swatch;
    }
    painter.restore();
}
