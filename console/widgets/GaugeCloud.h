#pragma once

#include <QHash>
#include <QPixmap>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <array>

// Press-and-hold pad: four ring sectors around a centre button. A press emits the button's
// code and the release emits the same code, so a command runs exactly while it is held.
// Mode 1 (drive) latches top and bottom: they emit a press only and stay highlighted until
// updateUpDowmStatus clears them.
class GaugeCloud : public QWidget {
    Q_OBJECT

public:
    enum Code { None = 0, Right = 1, Left = 2, Top = 3, Bottom = 4, Centre = 5 };
    enum Mode { Momentary = 0, Drive = 1 };

    explicit GaugeCloud(QWidget* parent = nullptr, int mode = Momentary);

    // 0 nothing latched, 1 top latched, 2 bottom latched.
    void updateUpDowmStatus(int status);
    // Ends a held press as its release does; nothing when none is held.
    void releaseHeld();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void mousePressed(int code);
    void mouseRelease(int code);

public slots:
    void setIconText(const QString& iconText, const QString& pressed_iconText, int nIndex);
    void setCenterText(const QString& centerText, const QString& Pressed_centerText);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    static constexpr int kButtons = Centre + 1;

    void rebuildHitAreas();
    int hitAt(const QPointF& pos) const;
    void onPress(const QPoint& pos);
    void onRelease();
    int highlightedCode() const;
    void drawPicture(QPainter& painter, const QString& path, const QRect& target);

    const int m_iMode;
    int m_iLatch = 0;
    bool m_bPressed = false;
    // The code hit by the accepted press: the release reports it even if the pad was
    // resized in between, so a held command is always stopped.
    int m_iPressedCode = None;
    QRectF m_centerRect;
    std::array<QPolygonF, kButtons> m_sectors;
    std::array<QString, kButtons> m_icons;
    std::array<QString, kButtons> m_pressedImages;
    // Scaled pictures by path and logical size: loading and scaling every picture on every
    // paint is what made repaints slow.
    QHash<QString, QPixmap> m_pictureCache;
};
