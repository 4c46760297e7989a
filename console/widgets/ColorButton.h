#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QTimer;

// Function key painted from a normal and a pressed picture. It reports every left press;
// its pressed look is either timed by the key itself after a click or held by the owner.
class ColorButton : public QWidget {
    Q_OBJECT

public:
    explicit ColorButton(QWidget* parent = nullptr, bool selfTimedPressLook = false);

    void setPixmaps(const QPixmap& normal, const QPixmap& pressed);
    void updataStatus(bool pressed);
    // Restarts the press-look countdown, so a key triggered from the keyboard looks pressed
    // as long as after a click.
    void restartPressLookTimer();
    bool isPressedLook() const { return m_bPressed; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

public slots:
    void playPaint();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void paintPictures(QPainter& painter);
    void paintFace(QPainter& painter);

    int m_iRadius = 5;
    int m_iBorderWidth = 2;
    QColor m_borderColor{255, 0, 0};
    QColor m_normalColor{0, 255, 0};
    QColor m_pressedColor{127, 255, 0, 200};
    QPixmap m_normal;
    QPixmap m_pressed;
    // The pictures scaled for the current size; rebuilt when the size or a picture changes.
    QPixmap m_scaledNormal;
    QPixmap m_scaledPressed;
    bool m_bPressed = false;
    QString m_strText = QStringLiteral("F1");
    QFont m_textFont;
    QColor m_textColor{255, 255, 255};
    const bool m_bSelfTimed;
    QTimer* m_pTimer;
};
