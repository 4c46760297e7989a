#include "NeedleDial.h"

#include "InstrumentPainting.h"

#include <QDebug>

#include <cmath>

NeedleDial::NeedleDial(QWidget* parent, const QString& background, const QColor& needleColor,
                       int needleLength)
    : QWidget(parent),
      m_background(instrument::scaledPicture(QPixmap(background), instrument::kLogicalSide)),
      m_needleColor(needleColor), m_needleLength(needleLength)
{
}

QSize NeedleDial::sizeHint() const
{
    return {100, 100};
}

QSize NeedleDial::minimumSizeHint() const
{
    return {10, 10};
}

void NeedleDial::SetCurrentValue(double dValue)
{
    // A NaN or infinite value would make the needle vanish; keep the last one.
    if (!std::isfinite(dValue))
        return;
    m_dValue = dValue;
    qDebug() << "SetCurrentValue" << dValue;
    update();
}

void NeedleDial::paintEvent(QPaintEvent*)
{
    instrument::paintDial(*this, m_face, m_background, m_needleColor, m_needleLength,
                          needleAngle(m_dValue));
}
