// Panel pictures: the remote-control unit of the telemetry read-out and the
// pictures shipped as files in images/Others/ (icons, captions, no-signal frame).
#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <functional>

namespace {

using namespace artwork;

constexpr int kRemoteWidth = 130;
constexpr int kRemoteHeight = 80;
constexpr int kIconSide = 50;
constexpr int kCaptionWidth = 100;
constexpr int kCaptionHeight = 30;
constexpr int kVideoWidth = 1280;
constexpr int kVideoHeight = 720;
constexpr double kPi = 3.14159265358979323846;
const QString kRuntimeDir = QStringLiteral("images/Others/");

// Draws a symbol into the square (0, 0, side, side) of the painter.
using Symbol = std::function<void(QPainter&, double side)>;

void smooth(QPainter& painter)
{
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
}

// Rounded dark plate with a faint top highlight, the base of every small picture.
void plate(QPainter& p, const QRectF& r, double radius)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, palette::panelLight);
    g.setColorAt(1, palette::panel);
    p.setPen(QPen(palette::bezel, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5),
               QPointF(r.right() - radius, r.top() + 1.5));
}

void bulb(QPainter& p, double s, bool rear)
{
    const QPointF c(s / 2, s * 0.42);
    const double r = s * 0.2;
    QRadialGradient glow(c, r * 1.6);
    glow.setColorAt(0, QColor(255, 255, 255, 230));
    glow.setColorAt(0.5, palette::accentBright);
    glow.setColorAt(1, palette::accent.darker(130));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, r, r);
    p.setBrush(palette::inkDim);
    p.drawRoundedRect(QRectF(c.x() - r * 0.55, c.y() + r * 0.9, r * 1.1, r * 0.7), 2, 2);
    // The main lamp throws long rays; the rear lamp fewer, shorter ones.
    const int rays = rear ? 5 : 7;
    const double length = rear ? 1.65 : 1.95;
    p.setPen(roundPen(palette::accentBright, s * 0.045));
    for (int i = 0; i < rays; ++i) {
        const double rad = kPi * i / (rays - 1);
        const QPointF dir(std::cos(rad), -std::sin(rad));
        p.drawLine(c + dir * r * 1.35, c + dir * r * length);
    }
}

enum class CameraMark { None, Exchange, Rear };

void camera(QPainter& p, double s, CameraMark mark)
{
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accent);
    const QRectF body(s * 0.12, s * 0.3, s * 0.52, s * 0.4);
    p.drawRoundedRect(body, s * 0.06, s * 0.06);
    QPainterPath lens;
    lens.moveTo(s * 0.64, s * 0.42);
    lens.lineTo(s * 0.88, s * 0.3);
    lens.lineTo(s * 0.88, s * 0.7);
    lens.lineTo(s * 0.64, s * 0.58);
    lens.closeSubpath();
    p.drawPath(lens);
    p.setBrush(palette::bezel);
    p.drawEllipse(QPointF(s * 0.38, s * 0.5), s * 0.1, s * 0.1);
    p.setPen(roundPen(palette::accentBright, s * 0.05));
    p.setBrush(Qt::NoBrush);
    if (mark == CameraMark::Rear) {
        p.drawLine(QPointF(s * 0.5, s * 0.16), QPointF(s * 0.18, s * 0.16));
        p.drawLine(QPointF(s * 0.18, s * 0.16), QPointF(s * 0.26, s * 0.09));
        p.drawLine(QPointF(s * 0.18, s * 0.16), QPointF(s * 0.26, s * 0.23));
    } else if (mark == CameraMark::Exchange) {
        // Two opposed arrows: exchange main and rear.
        p.drawLine(QPointF(s * 0.2, s * 0.14), QPointF(s * 0.8, s * 0.14));
        p.drawLine(QPointF(s * 0.8, s * 0.14), QPointF(s * 0.72, s * 0.07));
        p.drawLine(QPointF(s * 0.2, s * 0.86), QPointF(s * 0.8, s * 0.86));
        p.drawLine(QPointF(s * 0.2, s * 0.86), QPointF(s * 0.28, s * 0.93));
    }
}

void demister(QPainter& p, double s)
{
    p.setPen(roundPen(palette::accentBright, s * 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.3, s * 0.3);
    for (int i = 0; i < 3; ++i) {
        const double y = s * (0.36 + i * 0.14);
        QPainterPath wave;
        wave.moveTo(s * 0.3, y);
        wave.cubicTo(s * 0.4, y - s * 0.08, s * 0.5, y + s * 0.08, s * 0.7, y);
        p.drawPath(wave);
    }
}

void takeup(QPainter& p, double s)
{
    const QPointF c(s * 0.42, s * 0.5);
    p.setPen(roundPen(palette::accentBright, s * 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, s * 0.3, s * 0.3);
    p.drawEllipse(c, s * 0.1, s * 0.1);
    p.drawLine(QPointF(c.x(), c.y() - s * 0.3), QPointF(s * 0.95, c.y() - s * 0.3));
    p.setPen(roundPen(palette::accentBright, s * 0.04));
    for (int i = 0; i < 6; ++i) {
        const double a = i * kPi / 3;
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * s * 0.12,
                   c + QPointF(std::cos(a), std::sin(a)) * s * 0.28);
    }
}

void laser(QPainter& p, double s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accent);
    p.drawRoundedRect(QRectF(s * 0.05, s * 0.35, s * 0.35, s * 0.3), s * 0.05, s * 0.05);
    p.setPen(QPen(palette::warn, s * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.42, s * 0.5), QPointF(s * 0.9, s * 0.5));
    p.setPen(roundPen(palette::accentBright, s * 0.05));
    p.drawLine(QPointF(s * 0.93, s * 0.3), QPointF(s * 0.93, s * 0.7));
}

void speedometer(QPainter& p, double s)
{
    const QPointF c(s / 2, s * 0.6);
    const double r = s * 0.36;
    p.setPen(roundPen(palette::accentBright, s * 0.06));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -20 * 16, 220 * 16);
    p.setPen(QPen(palette::warn, s * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(std::cos(kPi / 4), -std::sin(kPi / 4)) * r * 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::ink);
    p.drawEllipse(c, s * 0.05, s * 0.05);
}

// A square icon: the symbol above a short caption.
QImage icon(const Symbol& symbol, const QString& caption)
{
    QImage image = canvas(kIconSide, kIconSide);
    QPainter p(&image);
    smooth(p);
    plate(p, QRectF(0, 0, kIconSide, kIconSide), 6);
    const double symbolSide = kIconSide * 0.68;
    p.save();
    p.translate((kIconSide - symbolSide) / 2, 1);
    symbol(p, symbolSide);
    p.restore();
    p.setFont(textFont(11));
    p.setPen(palette::ink);
    p.drawText(QRectF(0, kIconSide * 0.66, kIconSide, kIconSide * 0.32), Qt::AlignCenter, caption);
    return image;
}

// A wide caption: the symbol at the left, the text right of it.
QImage caption(const Symbol& symbol, const QString& text)
{
    QImage image = canvas(kCaptionWidth, kCaptionHeight);
    QPainter p(&image);
    smooth(p);
    plate(p, QRectF(0, 0, kCaptionWidth, kCaptionHeight), kCaptionHeight / 2.0);
    p.save();
    p.translate(6, 2);
    symbol(p, kCaptionHeight - 4);
    p.restore();
    p.setFont(textFont(13));
    p.setPen(palette::ink);
    p.drawText(QRectF(kCaptionHeight + 2, 0, kCaptionWidth - kCaptionHeight - 6, kCaptionHeight),
               Qt::AlignVCenter | Qt::AlignLeft, text);
    return image;
}

void stick(QPainter& p, QPointF c, double r)
{
    p.setPen(QPen(palette::bezel, 1.5));
    p.setBrush(QColor(0x1b, 0x1f, 0x25));
    p.drawEllipse(c, r, r);
    QRadialGradient knob(c - QPointF(r * 0.2, r * 0.25), r * 0.7);
    knob.setColorAt(0, palette::inkDim);
    knob.setColorAt(1, palette::bezel);
    p.setPen(Qt::NoPen);
    p.setBrush(knob);
    p.drawEllipse(c, r * 0.55, r * 0.55);
}

QImage remoteControl()
{
    QImage image = canvas(kRemoteWidth, kRemoteHeight);
    QPainter p(&image);
    smooth(p);
    // Antennas.
    p.setPen(QPen(palette::bezel, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 22), QPointF(8, 3));
    p.drawLine(QPointF(116, 22), QPointF(122, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accentBright);
    p.drawEllipse(QPointF(8, 3), 2.5, 2.5);
    p.drawEllipse(QPointF(122, 3), 2.5, 2.5);
    // Body.
    const QRectF body(3, 16, 124, 62);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(0x4a, 0x52, 0x5f));
    g.setColorAt(0.5, palette::panelLight);
    g.setColorAt(1, palette::bezel);
    p.setPen(QPen(palette::bezel, 1.5));
    p.setBrush(g);
    p.drawRoundedRect(body, 14, 14);
    // Display with a signal bar.
    const QRectF screen(45, 24, 40, 22);
    p.setPen(QPen(palette::bezel, 1));
    p.setBrush(QColor(0x0d, 0x3b, 0x47));
    p.drawRoundedRect(screen, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accentBright);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(51 + i * 7, 40 - (i + 1) * 3.5, 4, (i + 1) * 3.5));
    // Sticks.
    stick(p, QPointF(24, 48), 15);
    stick(p, QPointF(106, 48), 15);
    // Buttons.
    const QColor buttons[] = {palette::ok, palette::warn, palette::accent};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(buttons[i]);
        p.drawEllipse(QPointF(53 + i * 12, 58), 4, 4);
    }
    p.setBrush(palette::inkDim);
    p.drawRoundedRect(QRectF(52, 67, 26, 4), 2, 2);
    return image;
}

QImage noSignal()
{
    QImage image(kVideoWidth, kVideoHeight, QImage::Format_RGB32);
    QPainter p(&image);
    smooth(p);
    QRadialGradient g(QPointF(kVideoWidth / 2.0, kVideoHeight / 2.0), kVideoWidth * 0.7);
    g.setColorAt(0, palette::panel);
    g.setColorAt(1, palette::bezel);
    p.fillRect(image.rect(), g);
    // Faint pipe rings: the view the camera would show.
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 6; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 10 + i * 2), 2));
        const double r = 60.0 * i * i / 3 + 40;
        p.drawEllipse(QPointF(kVideoWidth / 2.0, kVideoHeight / 2.0 - 40), r * 1.2, r);
    }
    // Camera with a strike-through.
    p.save();
    p.translate(kVideoWidth / 2.0 - 90, kVideoHeight / 2.0 - 200);
    camera(p, 180, CameraMark::None);
    p.setPen(QPen(palette::warn, 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 170), QPointF(170, 10));
    p.restore();
    p.setFont(textFont(72));
    p.setPen(palette::ink);
    p.drawText(QRectF(0, kVideoHeight / 2.0 + 10, kVideoWidth, 110), Qt::AlignCenter,
               QStringLiteral("无视频信号"));
    p.setFont(textFont(26, false));
    p.setPen(palette::inkDim);
    p.drawText(QRectF(0, kVideoHeight / 2.0 + 120, kVideoWidth, 50), Qt::AlignCenter,
               QStringLiteral("NO VIDEO SIGNAL"));
    return image;
}

void drawPanels(const QString& dir)
{
    save(remoteControl(), dir, QStringLiteral("panels/images/Others/remotectrl.png"));

    using namespace std::placeholders;
    save(icon(std::bind(bulb, _1, _2, false), QStringLiteral("主灯")), dir,
         kRuntimeDir + "mainlight.png");
    save(icon(std::bind(bulb, _1, _2, true), QStringLiteral("后灯")), dir,
         kRuntimeDir + "backlight.png");
    save(icon(speedometer, QStringLiteral("速度")), dir, kRuntimeDir + "speedcol.png");
    save(caption(demister, QStringLiteral("镜头除雾")), dir, kRuntimeDir + "camedefog.png");
    save(caption(takeup, QStringLiteral("电动收线")), dir, kRuntimeDir + "electrictakeup.png");
    save(caption(laser, QStringLiteral("激光测距")), dir, kRuntimeDir + "laserdistance.png");
    save(caption(std::bind(camera, _1, _2, CameraMark::Exchange), QStringLiteral("主后视频")), dir,
         kRuntimeDir + "mainbkcame.png");
    save(caption(std::bind(camera, _1, _2, CameraMark::Rear), QStringLiteral("后视视频")), dir,
         kRuntimeDir + "backcame.png");
    save(noSignal(), dir, kRuntimeDir + "video.png");
}

const Registrar reg("panels", drawPanels);

} // namespace
