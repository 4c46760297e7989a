#include "RollingPanel.h"

#include "InstrumentPainting.h"

#include <QPainter>

#include <cmath>

namespace {
// The picture fills 198 of the 200 logical units, leaving a hairline margin.
constexpr int kPictureSide = 198;
// The picture is turned to a tenth of a degree, under half a pixel at its rim at the
// sizes the console lays out: a sensor at rest jitters by hundredths of a degree, and
// each new turn costs a smooth rotation of the whole picture.
constexpr double kTurnsPerDegree = 10.0;
} // namespace

RollingPanel::RollingPanel(QWidget* parent) : RollingPanel(parent, ":/images/Others/rolling.png")
{
}

RollingPanel::RollingPanel(QWidget* parent, const QString& picture)
    : QWidget(parent),
      // Scaled once: the result does not depend on the widget size.
      m_picture(instrument::scaledPicture(QPixmap(picture), kPictureSide))
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

void RollingPanel::SetAngle(double angle)
{
    // A NaN or infinite turn would make the picture vanish; keep the last one.
    if (!std::isfinite(angle))
        return;
    m_dAngle = angle;
    update();
}

QSize RollingPanel::sizeHint() const
{
    return {100, 100};
}

QSize RollingPanel::minimumSizeHint() const
{
    return {10, 10};
}

void RollingPanel::paintEvent(QPaintEvent*)
{
    const double turn = std::round(m_dAngle * kTurnsPerDegree) / kTurnsPerDegree;
    const QPixmap& turned = m_turned.of(*this, turn, [this, turn](QPainter& painter) {
        painter.rotate(turn);
        // A picture that is not square lies against the top-left of the square.
        if (!m_picture.isNull())
            painter.drawPixmap(-kPictureSide / 2, -kPictureSide / 2, m_picture);
    });
    QPainter(this).drawPixmap(0, 0, turned);
}
