// On/off switch: a pill-shaped track with a sliding knob.
#pragma once

#include <QColor>
#include <QString>
#include <QTimer>
#include <QWidget>

class SwitchButton : public QWidget {
    Q_OBJECT
public:
    explicit SwitchButton(QWidget* parent = nullptr, bool checked = false);

    bool isChecked() const { return m_bChecked; }
    int knobX() const { return m_iStartX; }
    int knobTargetX() const { return m_iEndX; }
    int step() const { return m_iStep; }
    bool isAnimating() const { return m_timer.isActive(); }

signals:
    void toggled(bool checked);

public slots:
    void onTimeout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_bChecked;
    QColor m_bgColorOn{0, 245, 255};
    QColor m_bgColorOff{102, 139, 139};
    int m_iSpace = 0;
    QColor m_sliderColorOff{255, 255, 255};
    QColor m_sliderColorOn{255, 255, 255};
    QColor m_textColor{255, 255, 255};
    QString m_strTextOff;
    QString m_strTextOn;
    int m_iStartX = 0;
    int m_iEndX = 0;
    int m_iStep = 0;
    QTimer m_timer;
};
