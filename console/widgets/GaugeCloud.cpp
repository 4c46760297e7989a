#include "GaugeCloud.h"

#include "InstrumentPainting.h"

#include <QDebug>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kCentreSide = 0.3;
constexpr double kInnerRadius = 0.26;
constexpr double kOuterRadius = 0.46;
constexpr int kArcStep = 10;
constexpr double kPi = 3.14159265358979323846;

struct SectorSpan {
    int code;
    int fromDegrees;
    int toDegrees;
};
// Angles counter-clockwise on screen from the positive x axis; 10-degree gaps on the diagonals.
constexpr SectorSpan kSpans[] = {{GaugeCloud::Right, -40, 40},
                                 {GaugeCloud::Top, 50, 130},
                                 {GaugeCloud::Left, 140, 220},
                                 {GaugeCloud::Bottom, 230, 310}};

// Logical placement of the pictures in the 200-unit space.
const QRect kFullPicture(-99, -99, 198, 198);
const QRect kCentreIcon(-20, -20, 40, 40);
const QRect kBottomIcon(-15, 52, 30, 30);
const QRect kLeftIcon(-82, -15, 30, 30);
const QRect kTopIcon(-15, -82, 30, 30);
const QRect kRightIcon(52, -15, 30, 30);

const QString kBackground = QStringLiteral(":/images/Others/panel.png");

QPointF polar(const QPointF& centre, double radius, int degrees)
{
    const double a = degrees * kPi / 180.0;
    return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

} // namespace

GaugeCloud::GaugeCloud(QWidget* parent, int mode) : QWidget(parent), m_iMode(mode)
{
    installEventFilter(this);
}

QSize GaugeCloud::sizeHint() const
{
    return {100, 100};
}

QSize GaugeCloud::minimumSizeHint() const
{
    return {10, 10};
}

void GaugeCloud::updateUpDowmStatus(int status)
{
    qDebug() << "updateUpDowmStatus" << status;
    m_iLatch = status;
    update();
}

void GaugeCloud::setIconText(const QString& iconText, const QString& pressed_iconText, int nIndex)
{
    if (nIndex < Right || nIndex > Bottom)
        return;
    m_icons[nIndex] = iconText;
    m_pressedImages[nIndex] = pressed_iconText;
}

void GaugeCloud::setCenterText(const QString& centerText, const QString& Pressed_centerText)
{
    m_icons[Centre] = centerText;
    m_pressedImages[Centre] = Pressed_centerText;
}

void GaugeCloud::rebuildHitAreas()
{
    const double r = std::min(width(), height());
    const QPointF c = rect().center();
    const double half = r * kCentreSide / 2;
    m_centerRect = QRectF(c.x() - half, c.y() - half, 2 * half, 2 * half);
    for (const SectorSpan& span : kSpans) {
        QPolygonF outline;
        for (int a = span.fromDegrees; a <= span.toDegrees; a += kArcStep)
            outline << polar(c, r * kOuterRadius, a);
        for (int a = span.toDegrees; a >= span.fromDegrees; a -= kArcStep)
            outline << polar(c, r * kInnerRadius, a);
        m_sectors[span.code] = outline;
    }
}

int GaugeCloud::hitAt(const QPointF& pos) const
{
    if (m_centerRect.contains(pos))
        return Centre;
    for (int code : {Right, Left, Top, Bottom})
        if (m_sectors[code].containsPoint(pos, Qt::OddEvenFill))
            return code;
    return None;
}

bool GaugeCloud::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this) {
        // The second press of a quick double tap arrives as a double click:
        // it is a press all the same, or a second tap to stop would be lost.
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && rect().contains(mouse->pos()))
                onPress(mouse->pos());
        } else if (event->type() == QEvent::MouseButtonRelease && m_bPressed) {
            onRelease();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GaugeCloud::onPress(const QPoint& pos)
{
    const int code = hitAt(pos);
    if (m_iMode == Drive) {
        if (code == Top || code == Bottom) {
            // Latching directions: the console answers with updateUpDowmStatus.
            emit mousePressed(code);
            return;
        }
        if (code == None)
            return;
    }
    m_bPressed = true;
    m_iPressedCode = code;
    if (code != None)
        emit mousePressed(code);
    if (m_iMode == Momentary || code != None)
        update();
}

void GaugeCloud::onRelease()
{
    m_bPressed = false;
    const int code = std::exchange(m_iPressedCode, int(None));
    if (code != None)
        emit mouseRelease(code);
    if (m_iMode == Momentary)
        update();
}

void GaugeCloud::releaseHeld()
{
    if (m_bPressed)
        onRelease();
}

void GaugeCloud::hideEvent(QHideEvent* event)
{
    // A hidden pad never sees the release: end the held command now rather than leave the
    // crawler driving.
    releaseHeld();
    QWidget::hideEvent(event);
}

int GaugeCloud::highlightedCode() const
{
    if (m_bPressed)
        return m_iPressedCode;
    if (m_iMode == Drive && m_iLatch == 1)
        return Top;
    if (m_iMode == Drive && m_iLatch == 2)
        return Bottom;
    return None;
}

void GaugeCloud::drawPicture(QPainter& painter, const QString& path, const QRect& target)
{
    if (path.isEmpty())
        return;
    const QString key = QString::number(target.width()) + QLatin1Char('|') + path;
    auto it = m_pictureCache.constFind(key);
    if (it == m_pictureCache.constEnd())
        it = m_pictureCache.insert(key, instrument::scaledPicture(QPixmap(path), target.width()));
    if (!it->isNull())
        painter.drawPixmap(target.topLeft(), *it);
}

void GaugeCloud::paintEvent(QPaintEvent*)
{
    rebuildHitAreas();
    QPainter painter(this);
    if (!instrument::enterLogicalSpace(painter, size()))
        return;
    drawPicture(painter, kBackground, kFullPicture);
    const int lit = highlightedCode();
    if (lit != None)
        drawPicture(painter, m_pressedImages[lit], kFullPicture);
    drawPicture(painter, m_icons[Centre], kCentreIcon);
    drawPicture(painter, m_icons[Bottom], kBottomIcon);
    drawPicture(painter, m_icons[Left], kLeftIcon);
    drawPicture(painter, m_icons[Top], kTopIcon);
    drawPicture(painter, m_icons[Right], kRightIcon);
}
