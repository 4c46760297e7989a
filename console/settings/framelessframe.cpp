#include "framelessframe.h"

#include <QColor>
#include <QPainter>
#include <QPushButton>

namespace {
const QColor kTitleBandColor(153, 153, 153);
const QColor kBodyColor(102, 102, 102);
} // namespace

void paintFrameBackground(QWidget* window)
{
    QPainter painter(window);
    painter.setPen(Qt::transparent);
    const int width = window->width();
    painter.fillRect(0, 0, width, kFrameTitleBandHeight, kTitleBandColor);
    painter.fillRect(0, kFrameTitleBandHeight, width, window->height() - kFrameTitleBandHeight,
                     kBodyColor);
}

void keepEnterInert(QWidget* dialog)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}
