#pragma once

#include <QPixmap>
#include <QWidget>

class QPainter;

// Painting shared by the console's round instruments: each draws in a 200 x 200 logical
// space centred in the widget and scaled by its shorter side.
namespace instrument {

constexpr int kLogicalSide = 200;

// Sets the render hints and maps the logical space onto the widget. Returns false when the
// widget has no area, in which case nothing must be drawn.
bool enterLogicalSpace(QPainter& painter, const QSize& widgetSize);

// The picture scaled to side x side keeping its aspect ratio (null stays null). The result
// does not depend on the widget size, so callers scale once and keep it.
QPixmap scaledPicture(const QPixmap& picture, int side);

// Paints a needle dial into the widget: the background picture (already scaled to the
// logical side) and a kite-shaped needle turned clockwise from straight down by the angle.
void paintDial(QWidget& widget, const QPixmap& background, const QColor& needleColour,
               int needleLength, double angle);

} // namespace instrument

// Speed dial: the commanded drive speed in percent over the printed speed scale.
class GaugeSpeed : public QWidget {
    Q_OBJECT

public:
    explicit GaugeSpeed(QWidget* parent = nullptr);

    double currentValue() const { return m_dValue; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void SetCurrentValue(double dValue);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_background;
    double m_dValue = 0.0;
    QColor m_needleColor{255, 255, 255};
    double m_dMinValue = 0.0;
    double m_dMaxValue = 100.0;
    int m_iStartAngle = 49;
    int m_iEndAngle = 315;
};
