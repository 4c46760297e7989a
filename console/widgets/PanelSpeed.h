#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

// Attitude dial: an angle in degrees over a printed half-dial, 0 at the top, positive
// angles to the left.
class PanelSpeed : public QWidget {
    Q_OBJECT

public:
    PanelSpeed(QWidget* parent, const QString& background);

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
    QColor m_needleColor{255, 0, 0};
};
