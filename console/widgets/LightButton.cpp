#include "LightButton.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {
constexpr int kAlarmIntervalMs = 500;
constexpr int kDefaultSide = 100;
constexpr int kMinimumSide = 10;
// The round lamp is drawn in a 200 x 200 logical square.
constexpr qreal kLogicalSide = 200.0;
constexpr int kRectRadius = 5;
// The rectangle caption is this many pixels smaller than the short side.
constexpr int kRectTextInset = 20;
constexpr int kOuterRadius = 99;
constexpr int kInnerRadius = 90;
constexpr int kFaceRadius = 80;
constexpr int kLampTextPixels = 85;
constexpr int kGlossRadius = 79;
constexpr int kGlossCutRadius = 158;
constexpr int kGlossCutOffset = 140;
constexpr int kGlossAlphaTop = 100;
constexpr int kGlossAlphaBottom = 30;
constexpr qreal kGlossRotation = -20.0;

void fillDisc(QPainter& painter, int radius, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(0, -radius, 0, radius);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setBrush(gradient);
    painter.drawEllipse(QPoint(0, 0), radius, radius);
}
} // namespace

LightButton::LightButton(QWidget* parent) : QWidget(parent), m_timerAlarm(new QTimer(this))
{
    m_timerAlarm->setInterval(kAlarmIntervalMs);
    connect(m_timerAlarm, &QTimer::timeout, this, &LightButton::alarm);
    installEventFilter(this);
}

bool LightButton::isAlarming() const
{
    return m_timerAlarm->isActive();
}

QSize LightButton::sizeHint() const
{
    return {kDefaultSide, kDefaultSide};
}

QSize LightButton::minimumSizeHint() const
{
    return {kMinimumSide, kMinimumSide};
}

template <typename T> void LightButton::assign(T& member, const T& value)
{
    if (member == value)
        return;
    member = value;
    update();
}

void LightButton::setText(const QString& text)
{
    assign(m_text, text);
}

void LightButton::setTextColor(const QColor& color)
{
    assign(m_textColor, color);
}

void LightButton::setAlarmColor(const QColor& color)
{
    assign(m_alarmColor, color);
}

void LightButton::setNormalColor(const QColor& color)
{
    assign(m_normalColor, color);
}

void LightButton::setBorderOutColorStart(const QColor& color)
{
    assign(m_borderOutColorStart, color);
}

void LightButton::setBorderOutColorEnd(const QColor& color)
{
    assign(m_borderOutColorEnd, color);
}

void LightButton::setBorderInColorStart(const QColor& color)
{
    assign(m_borderInColorStart, color);
}

void LightButton::setBorderInColorEnd(const QColor& color)
{
    assign(m_borderInColorEnd, color);
}

void LightButton::setBgColor(const QColor& color)
{
    assign(m_bgColor, color);
}

void LightButton::setCanMove(bool canMove)
{
    assign(m_canMove, canMove);
}

void LightButton::setShowRect(bool showRect)
{
    assign(m_showRect, showRect);
}

void LightButton::setShowOverlay(bool showOverlay)
{
    assign(m_showOverlay, showOverlay);
}

void LightButton::setOverlayColor(const QColor& color)
{
    assign(m_overlayColor, color);
}

// A preset sets the caption colour silently; only a new lamp colour repaints.
void LightButton::applyPreset(const QColor& text, const QColor& background)
{
    m_textColor = text;
    setBgColor(background);
}

void LightButton::setGreen()
{
    applyPreset(QColor(255, 255, 255), QColor(0, 166, 0));
}

void LightButton::setRed()
{
    applyPreset(QColor(255, 255, 255), QColor(255, 0, 0));
}

void LightButton::setYellow()
{
    applyPreset(QColor(25, 50, 7), QColor(238, 238, 0));
}

void LightButton::setBlack()
{
    applyPreset(QColor(255, 255, 255), QColor(10, 10, 10));
}

void LightButton::setGray()
{
    applyPreset(QColor(255, 255, 255), QColor(129, 129, 129));
}

void LightButton::setBlue()
{
    applyPreset(QColor(255, 255, 255), QColor(0, 0, 166));
}

void LightButton::setLightBlue()
{
    applyPreset(QColor(255, 255, 255), QColor(100, 184, 255));
}

void LightButton::setLightRed()
{
    applyPreset(QColor(255, 255, 255), QColor(255, 107, 107));
}

void LightButton::setLightGreen()
{
    applyPreset(QColor(255, 255, 255), QColor(24, 189, 155));
}

void LightButton::startAlarm()
{
    if (!m_timerAlarm->isActive())
        m_timerAlarm->start();
}

void LightButton::stopAlarm()
{
    if (m_timerAlarm->isActive())
        m_timerAlarm->stop();
}

void LightButton::alarm()
{
    m_textColor = QColor(255, 255, 255);
    m_bgColor = m_isAlarm ? m_normalColor : m_alarmColor;
    update();
    m_isAlarm = !m_isAlarm;
}

bool LightButton::eventFilter(QObject* watched, QEvent* event)
{
    if (m_canMove && watched == this) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && rect().contains(mouse->pos())) {
                m_lastPoint = mouse->pos();
                m_pressed = true;
            }
        } else if (type == QEvent::MouseMove && m_pressed) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            move(pos() + mouse->pos() - m_lastPoint);
        } else if (type == QEvent::MouseButtonRelease) {
            m_pressed = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LightButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    if (m_showRect)
        drawRect(painter);
    else
        drawLamp(painter);
}

void LightButton::drawRect(QPainter& painter)
{
    const int side = qMin(width(), height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_bgColor);
    painter.drawRoundedRect(rect(), kRectRadius, kRectRadius);
    if (m_text.isEmpty())
        return;
    QFont font = painter.font();
    // Tiny lamps would ask for a non-positive pixel size, which Qt rejects.
    font.setPixelSize(qMax(1, side - kRectTextInset));
    painter.setFont(font);
    painter.setPen(m_textColor);
    painter.drawText(rect(), Qt::AlignCenter, m_text);
}

void LightButton::drawLamp(QPainter& painter)
{
    const int side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    painter.scale(side / kLogicalSide, side / kLogicalSide);
    painter.setPen(Qt::NoPen);

    fillDisc(painter, kOuterRadius, m_borderOutColorStart, m_borderOutColorEnd);
    fillDisc(painter, kInnerRadius, m_borderInColorStart, m_borderInColorEnd);
    painter.setBrush(m_bgColor);
    painter.drawEllipse(QPoint(0, 0), kFaceRadius, kFaceRadius);

    if (!m_text.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(kLampTextPixels);
        painter.setFont(font);
        painter.setPen(m_textColor);
        painter.drawText(QRectF(-kLogicalSide / 2, -kLogicalSide / 2, kLogicalSide, kLogicalSide),
                         Qt::AlignCenter, m_text);
        painter.setPen(Qt::NoPen);
    }

    if (m_showOverlay) {
        QPainterPath face;
        face.addEllipse(QPoint(0, 0), kGlossRadius, kGlossRadius);
        QPainterPath cut;
        cut.addEllipse(QPoint(0, kGlossCutOffset), kGlossCutRadius, kGlossCutRadius);
        QColor top = m_overlayColor;
        top.setAlpha(kGlossAlphaTop);
        QColor bottom = m_overlayColor;
        bottom.setAlpha(kGlossAlphaBottom);
        QLinearGradient gloss(0, -kGlossRadius, 0, 0);
        gloss.setColorAt(0, top);
        gloss.setColorAt(1, bottom);
        painter.rotate(kGlossRotation);
        painter.setBrush(gloss);
        painter.drawPath(face - cut);
    }
}
