#pragma once

#include "InstrumentPainting.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

// A needle over a scale printed in the background picture. The dials differ only in
// picture, needle colour, needle length and the mapping from value to needle angle.
class NeedleDial : public QWidget {
    Q_OBJECT

public:
    double currentValue() const { return m_dValue; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // A value that is not finite is ignored.
    void SetCurrentValue(double dValue);

protected:
    NeedleDial(QWidget* parent, const QString& background, const QColor& needleColor,
               int needleLength);

    void paintEvent(QPaintEvent* event) override;

    // Needle rotation for the value, in degrees clockwise from straight down.
    virtual double needleAngle(double value) const = 0;

private:
    QPixmap m_background;
    instrument::KeptDrawing m_face;
    double m_dValue = 0.0;
    QColor m_needleColor;
    int m_needleLength;
};
