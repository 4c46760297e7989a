#include "ElidedLabel.h"

#include <QPainter>
#include <QStyle>

ElidedLabel::ElidedLabel(const QString& text, const QStringList& sizingTexts, QWidget* parent)
    : QLabel(text, parent), m_sizingTexts(QStringList{text} + sizingTexts)
{
    setTextFormat(Qt::PlainText);
}

QSize ElidedLabel::sizeHint() const
{
    if (!m_textSize.isValid() || m_sizedFont != font()) {
        m_sizedFont = font();
        m_textSize = QSize(0, 0);
        for (const QString& sizing : m_sizingTexts)
            m_textSize = m_textSize.expandedTo(fontMetrics().size(Qt::TextSingleLine, sizing));
    }
    const QMargins frame = contentsMargins();
    const int margins = 2 * margin();
    return {m_textSize.width() + frame.left() + frame.right() + margins,
            m_textSize.height() + frame.top() + frame.bottom() + margins};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return sizeHint();
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}
