// Title bar artwork: the logo, the four bar buttons and the dark title band.
// Pictures go to titlebar/ and reach ":/icons/TitleBar/..." and
// ":/images/Others/title.png" through aliases in titlebar.qrc.
#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

using namespace artwork;

constexpr int kIconSize = 64;
constexpr int kBandWidth = 1920;
constexpr int kBandHeight = 30;
constexpr double kPi = 3.14159265358979323846;
const char* const kFolder = "titlebar/";

// A pipe cross-section with the crawler's camera eye: a ring and a lens.
void drawLogoMark(QPainter& p, QPointF centre, double radius)
{
    p.setPen(roundPen(palette::accent, radius * 0.18));
    p.setBrush(palette::bezel);
    p.drawEllipse(centre, radius * 0.88, radius * 0.88);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::accentBright);
    p.drawEllipse(centre, radius * 0.36, radius * 0.36);
    p.setBrush(palette::ink);
    p.drawEllipse(centre + QPointF(-radius * 0.12, -radius * 0.12), radius * 0.1, radius * 0.1);
    // Track below the ring.
    p.setBrush(palette::inkDim);
    p.drawRoundedRect(
        QRectF(centre.x() - radius * 0.62, centre.y() + radius * 0.5, radius * 1.24, radius * 0.2),
        radius * 0.1, radius * 0.1);
}

QImage logo()
{
    return drawing(kIconSize, kIconSize, [](QPainter& p) {
        drawLogoMark(p, QPointF(kIconSize / 2.0, kIconSize / 2.0), kIconSize / 2.0 - 2);
    });
}

QImage gear()
{
    return drawing(kIconSize, kIconSize, [](QPainter& p) {
        const QPointF c(kIconSize / 2.0, kIconSize / 2.0);
        constexpr int kTeeth = 8;
        QPainterPath outline;
        for (int i = 0; i < kTeeth * 2; ++i) {
            const double angle = i * kPi / kTeeth;
            const double radius = (i % 2 == 0) ? 26 : 19;
            const double half = kPi / kTeeth / 2.2;
            const QPointF a =
                c + QPointF(radius * std::cos(angle - half), radius * std::sin(angle - half));
            const QPointF b =
                c + QPointF(radius * std::cos(angle + half), radius * std::sin(angle + half));
            if (i == 0)
                outline.moveTo(a);
            else
                outline.lineTo(a);
            outline.lineTo(b);
        }
        outline.closeSubpath();
        outline.addEllipse(c, 8, 8);
        outline.setFillRule(Qt::OddEvenFill);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::ink);
        p.drawPath(outline);
    });
}

QImage info()
{
    return drawing(kIconSize, kIconSize, [](QPainter& p) {
        const QPointF c(kIconSize / 2.0, kIconSize / 2.0);
        p.setPen(roundPen(palette::ink, 5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 25, 25);
        p.setPen(roundPen(palette::ink, 7));
        p.drawLine(QPointF(c.x(), c.y() - 2), QPointF(c.x(), c.y() + 14));
        p.drawPoint(QPointF(c.x(), c.y() - 13));
    });
}

QImage minimize()
{
    return drawing(kIconSize, kIconSize, [](QPainter& p) {
        p.setPen(roundPen(palette::ink, 6));
        p.drawLine(QPointF(14, 40), QPointF(50, 40));
    });
}

QImage cross()
{
    return drawing(kIconSize, kIconSize, [](QPainter& p) {
        p.setPen(roundPen(palette::ink, 6));
        p.drawLine(QPointF(16, 16), QPointF(48, 48));
        p.drawLine(QPointF(48, 16), QPointF(16, 48));
    });
}

// Dark title band with a thin accent line along the bottom edge.
QImage titleBand()
{
    QImage image(kBandWidth, kBandHeight, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient shade(0, 0, 0, kBandHeight);
    shade.setColorAt(0.0, palette::panelLight);
    shade.setColorAt(1.0, palette::bezel);
    p.fillRect(image.rect(), shade);
    p.fillRect(QRect(0, kBandHeight - 2, kBandWidth, 2), palette::accent);
    return image;
}

void drawTitleBar(const QString& resourcesDir)
{
    const QString folder = QString::fromLatin1(kFolder);
    save(logo(), resourcesDir, folder + "logo.png");
    save(gear(), resourcesDir, folder + "set.png");
    save(info(), resourcesDir, folder + "about.png");
    save(minimize(), resourcesDir, folder + "min.png");
    save(cross(), resourcesDir, folder + "close.png");
    save(titleBand(), resourcesDir, folder + "title.png");
}

const Registrar registrar("titlebar", drawTitleBar);

} // namespace
