#pragma once

class QColor;
class QWidget;

// Makes the widget a frameless panel that fills its background in the colour.
void makeFramelessPanel(QWidget& panel, const QColor& background);
