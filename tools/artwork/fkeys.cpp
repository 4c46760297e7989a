// Function keys F1 to F7: a normal and a pressed picture each, labelled with their function.
#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

using namespace artwork;

constexpr int kKeySize = 500;
constexpr double kCorner = 56;
constexpr double kMargin = 22;
// How far the key cap sinks when pressed.
constexpr double kTravel = 10;

struct Key {
    int number;
    QString label;
};

QImage key(const Key& k, bool pressed)
{
    QImage image = canvas(kKeySize, kKeySize);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    const QRectF base(kMargin, kMargin, kKeySize - 2 * kMargin, kKeySize - 2 * kMargin);
    // Shadowed well the cap sits in.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::bezel);
    p.drawRoundedRect(base, kCorner, kCorner);

    const double sink = pressed ? kTravel : 0;
    const QRectF cap = base.adjusted(10, 6 + sink, -10, -20 + sink);
    QLinearGradient face(cap.topLeft(), cap.bottomLeft());
    if (pressed) {
        face.setColorAt(0, palette::accent.darker(260));
        face.setColorAt(1, palette::panel);
    } else {
        face.setColorAt(0, palette::panelLight.lighter(125));
        face.setColorAt(1, palette::panel);
    }
    p.setBrush(face);
    p.setPen(QPen(pressed ? palette::accentBright : palette::accent.darker(170), pressed ? 8 : 4));
    p.drawRoundedRect(cap, kCorner - 10, kCorner - 10);

    // Lamp strip: lit while the key is pressed or its function is on.
    const QRectF lamp(cap.center().x() - 70, cap.top() + 34, 140, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? palette::accentBright : palette::bezel.lighter(150));
    p.drawRoundedRect(lamp, 7, 7);

    p.setFont(textFont(150));
    p.setPen(pressed ? palette::accentBright : palette::accent);
    p.drawText(QRectF(cap.left(), cap.top() + 60, cap.width(), 170), Qt::AlignCenter,
               QStringLiteral("F%1").arg(k.number));

    p.setFont(textFont(k.label.size() > 3 ? 58 : 70, false));
    p.setPen(k.number == 7 ? palette::inkDim : palette::ink);
    p.drawText(QRectF(cap.left(), cap.top() + 240, cap.width(), 130), Qt::AlignCenter, k.label);
    return image;
}

void drawKeys(const QString& dir)
{
    const Key keys[] = {{1, QStringLiteral("录像")},     {2, QStringLiteral("抓图")},
                        {3, QStringLiteral("工程信息")}, {4, QStringLiteral("存储目录")},
                        {5, QStringLiteral("信息显示")}, {6, QStringLiteral("编码器")},
                        {7, QStringLiteral("备用")}};
    for (const Key& k : keys) {
        save(key(k, false), dir,
             QStringLiteral("instruments/images/Button_normal/F%1.png").arg(k.number));
        save(key(k, true), dir,
             QStringLiteral("instruments/images/Button_keydown/F%1_1.png").arg(k.number));
    }
}

const Registrar reg("fkeys", drawKeys);

} // namespace
