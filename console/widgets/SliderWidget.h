// Vertical level control filled from the bottom by pressing or dragging;
// reports 0 to 100.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class SliderWidget : public QWidget {
    Q_OBJECT
public:
    explicit SliderWidget(QWidget* parent = nullptr);

    int level() const { return m_iLevel; }
    double value() const { return m_dValue; }
    // The percentage shown on the fill: the value truncated toward zero.
    QString percentText() const;

signals:
    void sigPositonChange(double curVal);
    void sigPositonChangeBk(double curVal);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void pointerAt(int y);

    QColor m_borderColor{39, 105, 188};
    int m_iLevel;
    double m_dMaximum = 100.0;
    double m_dMinimum = 0.0;
    double m_dValue = 0.0;
};
