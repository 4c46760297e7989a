// Press-and-hold pads: the round background, one pressed variant per button and the symbols.
#include "artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

using namespace artwork;

constexpr int kPadSize = 310;
constexpr int kSymbolSize = 50;
// The pad picture covers 198 of the widget's 200 logical units; the hit ring lies at
// 0.26 to 0.46 and the centre square at +-0.15 of 200 units.
constexpr double kPixelsPerUnit = kPadSize / 198.0;
constexpr double kInner = 52 * kPixelsPerUnit;
constexpr double kOuter = 92 * kPixelsPerUnit;
constexpr double kCentreHalf = 30 * kPixelsPerUnit;
constexpr double kFaceInset = 2.5; // pixels between neighbouring faces
constexpr double kGapInset = 1.5;  // degrees kept clear of the 10-degree gaps
constexpr double kPi = 3.14159265358979323846;

enum class Lit { None, Right, Top, Left, Bottom, Centre };

struct Sector {
    Lit lit;
    double from;
    double to;
};
constexpr Sector kSectors[] = {
    {Lit::Right, -40, 40}, {Lit::Top, 50, 130}, {Lit::Left, 140, 220}, {Lit::Bottom, 230, 310}};

QPainterPath ringSector(QPointF c, double inner, double outer, double from, double to)
{
    QPainterPath path;
    const QRectF outerBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    const QRectF innerBox(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    path.arcMoveTo(outerBox, from);
    path.arcTo(outerBox, from, to - from);
    path.arcTo(innerBox, to, from - to);
    path.closeSubpath();
    return path;
}

QBrush faceBrush(QPointF c, double radius, bool lit)
{
    QRadialGradient g(c, radius);
    if (lit) {
        g.setColorAt(0.0, palette::accentBright);
        g.setColorAt(0.55, palette::accent);
        g.setColorAt(1.0, palette::accent.darker(160));
    } else {
        g.setColorAt(0.0, palette::panelLight.lighter(130));
        g.setColorAt(0.6, palette::panelLight);
        g.setColorAt(1.0, palette::panel);
    }
    return g;
}

QImage pad(Lit lit)
{
    QImage image = canvas(kPadSize, kPadSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(kPadSize / 2.0, kPadSize / 2.0);

    // Bezel and dish.
    QRadialGradient bezel(c, kPadSize / 2.0);
    bezel.setColorAt(0.90, palette::panelLight);
    bezel.setColorAt(1.0, palette::bezel);
    p.setPen(QPen(palette::bezel, 2));
    p.setBrush(bezel);
    p.drawEllipse(c, kPadSize / 2.0 - 2, kPadSize / 2.0 - 2);
    QRadialGradient dish(c, kOuter + 8);
    dish.setColorAt(0.0, palette::bezel.lighter(140));
    dish.setColorAt(1.0, palette::bezel);
    p.setPen(QPen(palette::accent.darker(250), 1.5));
    p.setBrush(dish);
    p.drawEllipse(c, kOuter + 8, kOuter + 8);

    // Four ring faces; the pressed one glows.
    for (const Sector& s : kSectors) {
        const bool on = s.lit == lit;
        const QPainterPath face = ringSector(c, kInner + kFaceInset, kOuter - kFaceInset,
                                             s.from + kGapInset, s.to - kGapInset);
        p.setPen(QPen(on ? palette::accentBright : palette::accent.darker(180), on ? 2.5 : 1.2));
        p.setBrush(faceBrush(c, kOuter, on));
        p.drawPath(face);
    }
    // Thin dividers on the diagonals mark the dead gaps.
    p.setPen(QPen(palette::bezel.darker(130), 3, Qt::SolidLine, Qt::RoundCap));
    for (int a = 45; a < 360; a += 90) {
        const double r = a * kPi / 180.0;
        p.drawLine(QPointF(c.x() + (kInner + 4) * std::cos(r), c.y() - (kInner + 4) * std::sin(r)),
                   QPointF(c.x() + (kOuter - 4) * std::cos(r), c.y() - (kOuter - 4) * std::sin(r)));
    }

    // Centre button.
    const bool centreOn = lit == Lit::Centre;
    const QRectF square(c.x() - kCentreHalf + kFaceInset, c.y() - kCentreHalf + kFaceInset,
                        2 * (kCentreHalf - kFaceInset), 2 * (kCentreHalf - kFaceInset));
    p.setPen(
        QPen(centreOn ? palette::accentBright : palette::accent.darker(160), centreOn ? 2.5 : 1.5));
    p.setBrush(faceBrush(c, kCentreHalf * 1.4, centreOn));
    p.drawRoundedRect(square, 9, 9);
    return image;
}

// Symbols: light strokes on a transparent ground, drawn in a 50 x 50 box.
QPen ink(double width = 4.0)
{
    return roundPen(palette::ink, width);
}

QImage symbol(const std::function<void(QPainter&)>& draw)
{
    return drawing(kSymbolSize, kSymbolSize, draw);
}

// Saves the painter and turns it clockwise by the angle about the box centre, which becomes
// the origin.
void turnAboutCentre(QPainter& p, double angle)
{
    p.save();
    p.translate(kSymbolSize / 2.0, kSymbolSize / 2.0);
    p.rotate(angle);
}

// A solid arrow pointing up inside the box, turned clockwise by the angle.
void arrow(QPainter& p, double angle, const QColor& fill)
{
    turnAboutCentre(p, angle);
    const QPointF shape[] = {{0, -20}, {16, -2}, {7, -2}, {7, 18}, {-7, 18}, {-7, -2}, {-16, -2}};
    p.setPen(QPen(fill.darker(200), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPolygon(shape, 7);
    p.restore();
}

void chevron(QPainter& p, double angle)
{
    turnAboutCentre(p, angle);
    p.setPen(ink(5.5));
    p.drawPolyline(QPolygonF({{-14, 4}, {0, -10}, {14, 4}}));
    p.setPen(ink(3.0));
    p.drawPolyline(QPolygonF({{-10, 15}, {0, 5}, {10, 15}}));
    p.restore();
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(ink(4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(21, 21), 14, 14);
    p.setPen(ink(7));
    p.drawLine(QPointF(32, 32), QPointF(44, 44));
    p.setPen(QPen(palette::accentBright, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 21), QPointF(28, 21));
    if (plus)
        p.drawLine(QPointF(21, 14), QPointF(21, 28));
}

void turnArrow(QPainter& p, bool right)
{
    p.save();
    if (!right) {
        p.translate(50, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(palette::ink, 7, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(14, 46);
    bend.lineTo(14, 30);
    bend.quadTo(14, 16, 28, 16);
    p.drawPath(bend);
    const QPointF head[] = {{28, 5}, {44, 16}, {28, 27}};
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accentBright);
    p.drawPolygon(head, 3);
    p.restore();
}

void liftArrow(QPainter& p, double angle)
{
    turnAboutCentre(p, angle);
    p.translate(-kSymbolSize / 2.0, -kSymbolSize / 2.0);
    arrow(p, 0, palette::ink);
    p.setPen(QPen(palette::accentBright, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 47), QPointF(40, 47));
    p.restore();
}

void drawPads(const QString& dir)
{
    save(pad(Lit::None), dir, "instruments/images/Others/panel.png");
    save(pad(Lit::Centre), dir, "instruments/icons/Discolour/press_center.png");
    save(pad(Lit::Top), dir, "instruments/icons/Discolour/press_top.png");
    save(pad(Lit::Bottom), dir, "instruments/icons/Discolour/press_bottpm.png");
    save(pad(Lit::Left), dir, "instruments/icons/Discolour/press_left.png");
    save(pad(Lit::Right), dir, "instruments/icons/Discolour/press_right.png");

    const QString sym = "instruments/icons/Transparent/";
    save(symbol([](QPainter& p) { magnifier(p, true); }), dir, sym + "Zoom_plus.png");
    save(symbol([](QPainter& p) { magnifier(p, false); }), dir, sym + "Zoom_sub.png");
    save(symbol([](QPainter& p) {
             // Distant mountains: focus far.
             p.setPen(ink(3));
             p.setBrush(palette::accent);
             p.drawPolygon(QPolygonF({{4, 40}, {18, 16}, {27, 30}, {33, 22}, {46, 40}}));
             p.setBrush(palette::ink);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(38, 11), 4, 4);
         }),
         dir, sym + "Focus_far.png");
    save(symbol([](QPainter& p) {
             // A close-up flower: focus near.
             p.setPen(Qt::NoPen);
             p.setBrush(palette::accent);
             for (int i = 0; i < 5; ++i) {
                 p.save();
                 p.translate(25, 20);
                 p.rotate(i * 72);
                 p.drawEllipse(QPointF(0, -8), 5, 8);
                 p.restore();
             }
             p.setBrush(palette::ink);
             p.drawEllipse(QPointF(25, 20), 4.5, 4.5);
             p.setPen(ink(3));
             p.drawLine(QPointF(25, 30), QPointF(25, 46));
             p.drawLine(QPointF(25, 40), QPointF(16, 34));
         }),
         dir, sym + "Focus_near.png");
    save(symbol([](QPainter& p) {
             // Circular arrow: back to the home zoom and focus.
             p.setPen(ink(5));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(9, 9, 32, 32), 110 * 16, 290 * 16);
             const QPointF head[] = {{13, 2}, {25, 11}, {11, 20}};
             p.setPen(Qt::NoPen);
             p.setBrush(palette::accentBright);
             p.drawPolygon(head, 3);
         }),
         dir, sym + "reset.png");

    save(symbol([](QPainter& p) { chevron(p, 0); }), dir, sym + "Came_Up.png");
    save(symbol([](QPainter& p) { chevron(p, 180); }), dir, sym + "Came_Down.png");
    save(symbol([](QPainter& p) { chevron(p, 90); }), dir, sym + "Came_Right.png");
    save(symbol([](QPainter& p) { chevron(p, 270); }), dir, sym + "Came_Left.png");
    save(symbol([](QPainter& p) {
             // Camera head seen from the front: housing and lens.
             p.setPen(ink(3));
             p.setBrush(palette::panelLight);
             p.drawRoundedRect(QRectF(5, 12, 40, 28), 6, 6);
             p.drawRect(QRectF(17, 6, 16, 6));
             p.setBrush(palette::bezel);
             p.drawEllipse(QPointF(25, 26), 10, 10);
             p.setPen(Qt::NoPen);
             p.setBrush(palette::accentBright);
             p.drawEllipse(QPointF(25, 26), 5, 5);
         }),
         dir, sym + "Came_center.png");

    save(symbol([](QPainter& p) { arrow(p, 0, palette::ink); }), dir, sym + "Direct_forward.png");
    save(symbol([](QPainter& p) { arrow(p, 180, palette::ink); }), dir, sym + "Direct_back.png");
    save(symbol([](QPainter& p) { turnArrow(p, true); }), dir, sym + "Direct_turnRight.png");
    save(symbol([](QPainter& p) { turnArrow(p, false); }), dir, sym + "Direct_turnLeft.png");
    save(symbol([](QPainter& p) {
             // Crawler from above: two tracks and the body, the stop button of the drive pad.
             p.setPen(ink(2.5));
             p.setBrush(palette::bezel);
             p.drawRoundedRect(QRectF(6, 6, 11, 38), 4, 4);
             p.drawRoundedRect(QRectF(33, 6, 11, 38), 4, 4);
             p.setPen(QPen(palette::inkDim, 2));
             for (int y = 11; y < 42; y += 6) {
                 p.drawLine(QPointF(8, y), QPointF(15, y));
                 p.drawLine(QPointF(35, y), QPointF(42, y));
             }
             p.setPen(ink(2.5));
             p.setBrush(palette::accent);
             p.drawRoundedRect(QRectF(19, 12, 12, 26), 3, 3);
         }),
         dir, sym + "Direction.png");

    save(symbol([](QPainter& p) { liftArrow(p, 0); }), dir, sym + "Lift_up.png");
    save(symbol([](QPainter& p) { liftArrow(p, 180); }), dir, sym + "Lift_Down.png");
    save(symbol([](QPainter& p) { liftArrow(p, 90); }), dir, sym + "Lift_right.png");
    save(symbol([](QPainter& p) { liftArrow(p, 270); }), dir, sym + "Lift_left.png");
}

const Registrar reg("pads", drawPads);

} // namespace
