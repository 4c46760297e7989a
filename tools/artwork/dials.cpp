// Needle dial faces: the speed dial and the roll and pitch half-dials. Their scales follow
// the needles' mapping: speed 0 to 100 % at 49 + 2.4 x value degrees clockwise from straight
// down; attitude angle v at 180 - v degrees.
#include "artwork.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>

namespace {

using namespace artwork;

constexpr double kPi = 3.14159265358979323846;
constexpr int kSpeedSize = 300;
constexpr int kHalfDialSize = 586;

// Works in the widgets' 200-unit logical space, centred, whatever the picture size.
QPainter& logical(QPainter& p, int size)
{
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.translate(size / 2.0, size / 2.0);
    p.scale(size / 200.0, size / 200.0);
    return p;
}

// Point at a radius along a needle rotation (clockwise from straight down).
QPointF along(double rotation, double radius)
{
    const double a = rotation * kPi / 180.0;
    return {-std::sin(a) * radius, std::cos(a) * radius};
}

void face(QPainter& p)
{
    QRadialGradient bezel(0, 0, 100);
    bezel.setColorAt(0.9, palette::panelLight.lighter(120));
    bezel.setColorAt(0.96, palette::bezel);
    bezel.setColorAt(1.0, palette::panelLight);
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(QPointF(0, 0), 99.5, 99.5);
    QRadialGradient dish(0, -20, 110);
    dish.setColorAt(0, palette::panelLight);
    dish.setColorAt(1, palette::bezel);
    p.setBrush(dish);
    p.drawEllipse(QPointF(0, 0), 93, 93);
}

void tick(QPainter& p, double rotation, double from, double to, double width, const QColor& colour)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(along(rotation, from), along(rotation, to));
}

void label(QPainter& p, double rotation, double radius, const QString& text, const QColor& colour)
{
    const QPointF at = along(rotation, radius);
    p.setPen(colour);
    p.drawText(QRectF(at.x() - 20, at.y() - 8, 40, 16), Qt::AlignCenter, text);
}

void hub(QPainter& p, const QColor& colour, double radius)
{
    QRadialGradient g(-radius / 3, -radius / 3, radius * 1.4);
    g.setColorAt(0, colour.lighter(160));
    g.setColorAt(1, colour.darker(150));
    p.setPen(QPen(palette::bezel, 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), radius, radius);
}

QImage speedDial()
{
    constexpr double kStart = 49;
    constexpr double kPerPercent = 2.4;
    QImage image = canvas(kSpeedSize, kSpeedSize);
    QPainter p(&image);
    logical(p, kSpeedSize);
    face(p);

    // Coloured band: calm at low speed, warning near full speed.
    for (double v = 0; v < 100; v += 0.5) {
        const QColor c = v < 60   ? palette::accent
                         : v < 85 ? QColor(0xf0, 0xb4, 0x29)
                                  : palette::warn;
        tick(p, kStart + kPerPercent * v, 84, 90, 1.6, c);
    }
    for (int v = 0; v <= 100; v += 2) {
        const bool major = v % 10 == 0;
        tick(p, kStart + kPerPercent * v, major ? 72 : 78, 83, major ? 2.4 : 0.9,
             major ? palette::ink : palette::inkDim);
    }
    p.setFont(textFont(10));
    for (int v = 0; v <= 100; v += 10) {
        const QString text = v == 0     ? QStringLiteral("MIN")
                             : v == 100 ? QStringLiteral("MAX")
                                        : QString::number(v);
        label(p, kStart + kPerPercent * v, 63, text,
              v == 0 || v == 100 ? palette::accentBright : palette::ink);
    }
    p.setFont(textFont(9, false));
    p.setPen(palette::inkDim);
    p.drawText(QRectF(-20, -38, 40, 12), Qt::AlignCenter, QStringLiteral("%"));

    p.setFont(textFont(13));
    p.setPen(palette::ink);
    p.drawText(QRectF(-40, 58, 80, 18), Qt::AlignCenter, QStringLiteral("车体速度"));
    hub(p, palette::panelLight, 11);
    return image;
}

QImage halfDial(const QString& caption)
{
    QImage image = canvas(kHalfDialSize, kHalfDialSize);
    QPainter p(&image);
    logical(p, kHalfDialSize);
    face(p);

    // Needle rotation for an angle: 0 up, positive to the left.
    const auto at = [](double angle) { return 180.0 - angle; };
    for (double v = -90; v <= 90; v += 0.5) {
        const double tilt = std::abs(v);
        const QColor c = tilt <= 30   ? palette::ok
                         : tilt <= 60 ? QColor(0xf0, 0xb4, 0x29)
                                      : palette::warn;
        tick(p, at(v), 82, 88, 1.6, c);
    }
    for (int v = -90; v <= 90; v += 10) {
        const bool major = v % 30 == 0;
        tick(p, at(v), major ? 68 : 74, 81, major ? 2.6 : 1.0,
             major ? palette::ink : palette::inkDim);
    }
    p.setFont(textFont(10));
    for (int v = -90; v <= 90; v += 30)
        label(p, at(v), 59, QString::number(v) + QChar(0x00b0), palette::ink);
    // Horizon line under the scale.
    p.setPen(QPen(palette::inkDim, 0.8));
    p.drawLine(QPointF(-46, 0), QPointF(-12, 0));
    p.drawLine(QPointF(12, 0), QPointF(46, 0));

    p.setFont(textFont(15));
    p.setPen(palette::accentBright);
    p.drawText(QRectF(-50, 32, 100, 22), Qt::AlignCenter, caption);
    hub(p, palette::warn, 8);
    return image;
}

void drawDials(const QString& dir)
{
    save(speedDial(), dir, "instruments/images/Others/speed.png");
    save(halfDial(QStringLiteral("Roll")), dir, "instruments/images/Others/rollingspeed.png");
    save(halfDial(QStringLiteral("Pitching")), dir, "instruments/images/Others/pitchspeed.png");
}

const Registrar reg("dials", drawDials);

} // namespace
