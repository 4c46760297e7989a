// Indicator lamp: a glossy circular lamp (or a rounded rectangle) with an
// optional caption and an optional blinking alarm.
#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

class QTimer;

class LightButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QColor textColor READ textColor WRITE setTextColor)
    Q_PROPERTY(QColor alarmColor READ alarmColor WRITE setAlarmColor)
    Q_PROPERTY(QColor normalColor READ normalColor WRITE setNormalColor)
    Q_PROPERTY(QColor borderOutColorStart READ borderOutColorStart WRITE setBorderOutColorStart)
    Q_PROPERTY(QColor borderOutColorEnd READ borderOutColorEnd WRITE setBorderOutColorEnd)
    Q_PROPERTY(QColor borderInColorStart READ borderInColorStart WRITE setBorderInColorStart)
    Q_PROPERTY(QColor borderInColorEnd READ borderInColorEnd WRITE setBorderInColorEnd)
    Q_PROPERTY(QColor bgColor READ bgColor WRITE setBgColor)
    Q_PROPERTY(bool canMove READ canMove WRITE setCanMove)
    Q_PROPERTY(bool showRect READ showRect WRITE setShowRect)
    Q_PROPERTY(bool showOverlay READ showOverlay WRITE setShowOverlay)
    Q_PROPERTY(QColor overlayColor READ overlayColor WRITE setOverlayColor)

public:
    explicit LightButton(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QColor textColor() const { return m_textColor; }
    QColor alarmColor() const { return m_alarmColor; }
    QColor normalColor() const { return m_normalColor; }
    QColor borderOutColorStart() const { return m_borderOutColorStart; }
    QColor borderOutColorEnd() const { return m_borderOutColorEnd; }
    QColor borderInColorStart() const { return m_borderInColorStart; }
    QColor borderInColorEnd() const { return m_borderInColorEnd; }
    QColor bgColor() const { return m_bgColor; }
    bool canMove() const { return m_canMove; }
    bool showRect() const { return m_showRect; }
    bool showOverlay() const { return m_showOverlay; }
    QColor overlayColor() const { return m_overlayColor; }
    bool isAlarming() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void setText(const QString& text);
    void setTextColor(const QColor& color);
    void setAlarmColor(const QColor& color);
    void setNormalColor(const QColor& color);
    void setBorderOutColorStart(const QColor& color);
    void setBorderOutColorEnd(const QColor& color);
    void setBorderInColorStart(const QColor& color);
    void setBorderInColorEnd(const QColor& color);
    void setBgColor(const QColor& color);
    void setCanMove(bool canMove);
    void setShowRect(bool showRect);
    void setShowOverlay(bool showOverlay);
    void setOverlayColor(const QColor& color);

    void setGreen();
    void setRed();
    void setYellow();
    void setBlack();
    void setGray();
    void setBlue();
    void setLightBlue();
    void setLightRed();
    void setLightGreen();

    void startAlarm();
    void stopAlarm();
    void alarm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void drawRect(QPainter& painter);
    void drawLamp(QPainter& painter);
    // Stores value into member and repaints, only when it changes.
    template <typename T> void assign(T& member, const T& value);
    void applyPreset(const QColor& text, const QColor& background);

    QString m_text;
    QColor m_textColor{255, 255, 255};
    QColor m_alarmColor{255, 107, 107};
    QColor m_normalColor{10, 10, 10};
    QColor m_borderOutColorStart{255, 255, 255};
    QColor m_borderOutColorEnd{166, 166, 166};
    QColor m_borderInColorStart{166, 166, 166};
    QColor m_borderInColorEnd{255, 255, 255};
    QColor m_bgColor{100, 184, 255};
    bool m_canMove = false;
    bool m_showRect = false;
    bool m_showOverlay = true;
    QColor m_overlayColor{255, 255, 255};

    bool m_isAlarm = false;
    QPoint m_lastPoint;
    bool m_pressed = false;
    QTimer* m_timerAlarm;
};
