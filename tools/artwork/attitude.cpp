// Attitude block pictures: the crawler from the side (roll) and from the front (pitch), drawn
// upright on a light round backdrop so they read the same at any angle, and the block's logo.
#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

using namespace artwork;

constexpr int kPictureSize = 600;
constexpr int kLogoWidth = 200;
constexpr int kLogoHeight = 197;

const QColor kSteelLight(0xb4, 0xbe, 0xc9);
const QColor kSteelDark(0x5b, 0x66, 0x73);
const QColor kRubber(0x23, 0x27, 0x2d);
const QColor kTread(0x4a, 0x50, 0x58);
const QColor kLamp(0xff, 0xf4, 0xc8);

void backdrop(QPainter& p)
{
    QRadialGradient g(300, 260, 320);
    g.setColorAt(0, QColor(0xfb, 0xfc, 0xfd));
    g.setColorAt(1, QColor(0xdc, 0xe4, 0xea));
    p.setPen(QPen(QColor(0xc4, 0xcf, 0xd8), 4));
    p.setBrush(g);
    p.drawEllipse(QPointF(300, 300), 296, 296);
    // Pipe floor the crawler stands on.
    p.setPen(QPen(QColor(0xb0, 0xbc, 0xc6), 3, Qt::DashLine));
    p.drawLine(QPointF(40, 452), QPointF(560, 452));
}

QBrush steel(const QRectF& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, kSteelLight);
    g.setColorAt(1, kSteelDark);
    return g;
}

// A rubber track loop outlined in the bezel colour; the pen is left ready for its treads.
void track(QPainter& p, const QRectF& r, double radius, double treadWidth)
{
    p.setPen(QPen(palette::bezel, 3));
    p.setBrush(kRubber);
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(kTread, treadWidth));
}

// A steel part with rounded corners, outlined in the bezel colour.
void steelPart(QPainter& p, const QRectF& r, double radius)
{
    p.setPen(QPen(palette::bezel, 3));
    p.setBrush(steel(r));
    p.drawRoundedRect(r, radius, radius);
}

// The crawler's body: a steel part with the accent stripe across it.
void body(QPainter& p, const QRectF& r, double radius, const QRectF& stripe)
{
    steelPart(p, r, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accent);
    p.drawRect(stripe);
}

void lens(QPainter& p, QPointF c, double r)
{
    QRadialGradient glass(c.x() - r / 3, c.y() - r / 3, r * 1.3);
    glass.setColorAt(0, palette::accentBright);
    glass.setColorAt(0.5, palette::accent.darker(150));
    glass.setColorAt(1, palette::bezel);
    p.setPen(QPen(palette::bezel, 4));
    p.setBrush(glass);
    p.drawEllipse(c, r, r);
}

QImage sideView()
{
    return drawing(kPictureSize, kPictureSize, [](QPainter& p) {
        backdrop(p);

        // Tether at the back.
        p.setPen(QPen(QColor(0x30, 0x35, 0x3c), 10, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath cable;
        cable.moveTo(135, 300);
        cable.cubicTo(90, 300, 80, 250, 40, 240);
        p.drawPath(cable);

        // Track loop with wheels.
        track(p, QRectF(105, 350, 390, 100), 50, 4);
        for (double x = 135; x < 470; x += 22) {
            p.drawLine(QPointF(x, 352), QPointF(x, 362));
            p.drawLine(QPointF(x, 438), QPointF(x, 448));
        }
        for (double x : {155.0, 252.0, 348.0, 445.0}) {
            p.setPen(QPen(palette::bezel, 3));
            p.setBrush(steel(QRectF(x - 34, 366, 68, 68)));
            p.drawEllipse(QPointF(x, 400), 34, 34);
            p.setBrush(palette::panelLight);
            p.drawEllipse(QPointF(x, 400), 11, 11);
        }

        // Body with its stripe.
        body(p, QRectF(130, 262, 330, 92), 16, QRectF(140, 300, 310, 12));

        // Lift arm and camera head at the front.
        p.setPen(QPen(palette::bezel, 3));
        p.setBrush(steel(QRectF(380, 170, 40, 110)));
        const QPointF arm[] = {{390, 268}, {420, 268}, {468, 190}, {440, 176}};
        p.drawPolygon(arm, 4);
        steelPart(p, QRectF(410, 130, 120, 74), 20);
        lens(p, QPointF(530, 167), 26);
        p.setPen(Qt::NoPen);
        p.setBrush(kLamp);
        p.drawEllipse(QPointF(470, 142), 7, 7);
        p.drawEllipse(QPointF(470, 192), 7, 7);
    });
}

QImage frontView()
{
    return drawing(kPictureSize, kPictureSize, [](QPainter& p) {
        backdrop(p);

        // Two tracks seen end-on, treads across.
        for (double x : {130.0, 380.0}) {
            track(p, QRectF(x, 300, 90, 150), 24, 5);
            for (double y = 318; y < 440; y += 20)
                p.drawLine(QPointF(x + 10, y), QPointF(x + 80, y));
        }
        // Body between the tracks.
        body(p, QRectF(210, 290, 180, 130), 14, QRectF(220, 340, 160, 12));
        p.setBrush(kLamp);
        p.drawEllipse(QPointF(245, 390), 10, 10);
        p.drawEllipse(QPointF(355, 390), 10, 10);

        // Lift post and camera head facing the viewer.
        p.setPen(QPen(palette::bezel, 3));
        p.setBrush(steel(QRectF(280, 230, 40, 64)));
        p.drawRect(QRectF(280, 230, 40, 64));
        steelPart(p, QRectF(220, 130, 160, 110), 26);
        lens(p, QPointF(300, 185), 38);
        p.setPen(Qt::NoPen);
        p.setBrush(kLamp);
        for (const QPointF lamp :
             {QPointF(242, 160), QPointF(358, 160), QPointF(242, 210), QPointF(358, 210)})
            p.drawEllipse(lamp, 9, 9);
    });
}

QImage logo()
{
    return drawing(kLogoWidth, kLogoHeight, [](QPainter& p) {
        const QPointF c(kLogoWidth / 2.0, kLogoHeight / 2.0);
        p.setPen(QPen(palette::accent, 10));
        p.setBrush(palette::bezel);
        p.drawEllipse(c, 90, 90);
        // The pipe running away from the viewer.
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 4; ++i) {
            p.setPen(QPen(palette::accent.darker(110 + 40 * i), 4));
            const double r = 68 - 15 * i;
            p.drawEllipse(c + QPointF(0, -6.0 * i), r, r);
        }
        // The crawler in the pipe.
        p.setPen(Qt::NoPen);
        p.setBrush(palette::ink);
        p.drawRoundedRect(QRectF(c.x() - 46, c.y() + 18, 26, 36), 6, 6);
        p.drawRoundedRect(QRectF(c.x() + 20, c.y() + 18, 26, 36), 6, 6);
        p.drawRoundedRect(QRectF(c.x() - 24, c.y() - 6, 48, 42), 8, 8);
        p.setBrush(palette::accentBright);
        p.drawEllipse(c + QPointF(0, 12), 11, 11);
    });
}

void drawAttitude(const QString& dir)
{
    save(sideView(), dir, "instruments/images/Others/rolling.png");
    save(frontView(), dir, "instruments/images/Others/pitch.png");
    save(logo(), dir, "instruments/icons/TitleBar/panellogo.png");
}

const Registrar reg("attitude", drawAttitude);

} // namespace
