#include "ColorButton.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int kPressLookMs = 200;
constexpr int kCaptionPoints = 10;
constexpr int kCaptionWeight = 75;
// The caption keeps clear of the rounded border by this many border widths.
constexpr int kCaptionMargin = 5;
} // namespace

ColorButton::ColorButton(QWidget* parent, bool selfTimedPressLook)
    : QWidget(parent), m_textFont(QStringLiteral("华文琥珀"), kCaptionPoints, kCaptionWeight),
      m_bSelfTimed(selfTimedPressLook), m_pTimer(new QTimer(this))
{
    connect(m_pTimer, &QTimer::timeout, this, &ColorButton::playPaint);
}

void ColorButton::setPixmaps(const QPixmap& normal, const QPixmap& pressed)
{
    m_normal = normal;
    m_pressed = pressed;
    m_scaledNormal = QPixmap();
    m_scaledPressed = QPixmap();
}

void ColorButton::updataStatus(bool pressed)
{
    m_bPressed = pressed;
    qDebug() << "updataStatus :" << pressed;
    update();
}

void ColorButton::restartPressLookTimer()
{
    m_pTimer->stop();
    m_pTimer->start(kPressLookMs);
}

QSize ColorButton::sizeHint() const
{
    return {100, 100};
}

QSize ColorButton::minimumSizeHint() const
{
    return {10, 10};
}

void ColorButton::playPaint()
{
    m_bPressed = false;
    qDebug() << "playPaint :" << m_bPressed;
    update();
    m_pTimer->stop();
}

void ColorButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->pos()))
        return;
    if (m_bSelfTimed) {
        m_pTimer->stop();
        m_bPressed = true;
        qDebug() << "isPressed :" << true;
        update();
    }
    emit clicked();
}

void ColorButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->pos()))
        return;
    if (m_bSelfTimed && !m_pTimer->isActive())
        m_pTimer->start(kPressLookMs);
}

void ColorButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    if (m_normal.isNull())
        paintFace(painter);
    else
        paintPictures(painter);
}

void ColorButton::paintPictures(QPainter& painter)
{
    const int side = std::min(width(), height());
    if (side <= 0)
        return;
    const auto scaled = [side](const QPixmap& picture, QPixmap& cache) -> const QPixmap& {
        if (!picture.isNull() &&
            (cache.isNull() || std::max(cache.width(), cache.height()) != side))
            cache = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return cache;
    };
    const auto drawCentred = [&](const QPixmap& picture) {
        painter.drawPixmap((width() - picture.width()) / 2, (height() - picture.height()) / 2,
                           picture);
    };
    drawCentred(scaled(m_normal, m_scaledNormal));
    if (m_bPressed && !m_pressed.isNull())
        drawCentred(scaled(m_pressed, m_scaledPressed));
}

void ColorButton::paintFace(QPainter& painter)
{
    const int b = m_iBorderWidth;
    painter.setPen(QPen(m_borderColor, b));
    painter.setBrush(m_bPressed ? m_pressedColor : m_normalColor);
    painter.drawRoundedRect(QRect(b, b, width() - 2 * b, height() - 2 * b), m_iRadius, m_iRadius);
    painter.setPen(m_textColor);
    painter.setFont(m_textFont);
    painter.drawText(
        QRect(kCaptionMargin * b, b, width() - 2 * kCaptionMargin * b, height() - 2 * b),
        Qt::AlignCenter, m_strText);
}
