#include "PanelFrame.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

void makeFramelessPanel(QWidget& panel, const QColor& background)
{
    panel.setWindowFlags(panel.windowFlags() | Qt::FramelessWindowHint);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, background);
    panel.setAutoFillBackground(true);
    panel.setPalette(pal);
}
