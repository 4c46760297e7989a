#include "PravikIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kIconPixels = 64;
constexpr int kMargin = 4;
constexpr int kTrackHeight = 14;
constexpr int kBodyHeight = 22;
constexpr int kLensRadius = 8;

} // namespace

QIcon PravikIcon()
{
    // A crawler seen from the side: body on tracks, camera lens in front.
    QPixmap pixmap(kIconPixels, kIconPixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const int width = kIconPixels - 2 * kMargin;
    const int trackTop = kIconPixels - kMargin - kTrackHeight;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 60, 60));
    painter.drawRoundedRect(kMargin, trackTop, width, kTrackHeight, kTrackHeight / 2.0,
                            kTrackHeight / 2.0);
    painter.setBrush(QColor(230, 160, 20));
    painter.drawRect(kMargin + kMargin, trackTop - kBodyHeight, width - 2 * kMargin, kBodyHeight);
    painter.setBrush(QColor(30, 110, 200));
    painter.drawEllipse(QPoint(kIconPixels - kMargin - kLensRadius, trackTop - kBodyHeight / 2),
                        kLensRadius, kLensRadius);
    painter.end();
    return QIcon(pixmap);
}
