#pragma once

#include "InstrumentPainting.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

// Picture of the crawler seen from the side, turned by the measured roll angle.
class RollingPanel : public QWidget {
    Q_OBJECT

public:
    explicit RollingPanel(QWidget* parent = nullptr);

    // Degrees, clockwise on screen; not a slot, the attitude block calls it.
    // A value that is not finite is ignored.
    void SetAngle(double angle);
    double angle() const { return m_dAngle; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // For pictures of the same kind that differ only in what they show.
    RollingPanel(QWidget* parent, const QString& picture);

    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    double m_dAngle = 0.0;
    instrument::KeptDrawing m_turned;
};
