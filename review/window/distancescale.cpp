#include "distancescale.h"

#include "reportdata.h"

#include <QHelpEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QToolTip>

#include <cmath>

namespace {

constexpr int kMarkHalfWidth = 5;
constexpr int kMarkHeight = 8;
constexpr int kLabelSpacing = 110; // pixels between distance labels, at least
constexpr int kTick = 4;
const QColor kDefectColour(200, 40, 30);
const QColor kNoteColour(60, 110, 190);
const QColor kUncodedColour(130, 130, 130);

} // namespace

DistanceScale::DistanceScale(const QSlider* slider, QWidget* parent)
    : QWidget(parent), m_slider(slider)
{
    setObjectName(QStringLiteral("distanceScale"));
    setMouseTracking(true);
}

void DistanceScale::setMarks(const QVector<ScaleMark>& marks)
{
    m_marks = marks;
    update();
}

QSize DistanceScale::sizeHint() const
{
    return {width(), fontMetrics().height() + kMarkHeight + kTick + 4};
}

int DistanceScale::xOf(double seconds) const
{
    const int handle = style()->pixelMetric(QStyle::PM_SliderLength, nullptr, m_slider);
    const int span = std::max(1, width() - handle);
    const int value = static_cast<int>(std::lround(seconds * 1000));
    return handle / 2 +
           QStyle::sliderPositionFromValue(m_slider->minimum(), m_slider->maximum(), value, span);
}

void DistanceScale::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int baseline = kMarkHeight + 1;
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(xOf(0), baseline, xOf(m_slider->maximum() / 1000.0), baseline);
    // The distance at evenly spaced moments: where along the pipe the video is.
    const double durationS = m_slider->maximum() / 1000.0;
    const int labels = std::max(1, (width() - kLabelSpacing / 2) / kLabelSpacing);
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; m_track && durationS > 0 && i <= labels; ++i) {
        const double at = durationS * i / labels;
        const TelemetryReading* row = m_track->at(at);
        if (row == nullptr || !known(row->distanceM)) {
            continue;
        }
        const QString text = tr("%1 m").arg(ReportTexts::metres(row->distanceM));
        const int x = xOf(at);
        const int left = std::clamp(x - metrics.horizontalAdvance(text) / 2, 0,
                                    std::max(0, width() - metrics.horizontalAdvance(text)));
        painter.drawLine(x, baseline, x, baseline + kTick);
        painter.drawText(left, baseline + kTick + metrics.ascent(), text);
    }
    for (const ScaleMark& mark : m_marks) {
        const int x = xOf(mark.offsetS);
        const QColor colour = mark.state == ScaleMark::Defect ? kDefectColour
                              : mark.state == ScaleMark::Note ? kNoteColour
                                                              : kUncodedColour;
        painter.setPen(colour);
        painter.setBrush(mark.state == ScaleMark::Uncoded ? Qt::NoBrush : QBrush(colour));
        const QPoint triangle[3] = {
            {x - kMarkHalfWidth, 0}, {x + kMarkHalfWidth, 0}, {x, kMarkHeight}};
        painter.drawPolygon(triangle, 3);
    }
}

bool DistanceScale::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QStringList texts;
        for (const ScaleMark& mark : m_marks) {
            if (std::abs(xOf(mark.offsetS) - help->pos().x()) <= kMarkHalfWidth) {
                texts << mark.text;
            }
        }
        if (texts.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), texts.join('\n'), this);
        }
        return true;
    }
    return QWidget::event(event);
}
