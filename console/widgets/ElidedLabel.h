#pragma once

#include <QFont>
#include <QLabel>
#include <QSize>
#include <QString>
#include <QStringList>

// A one-line plain-text label whose size does not follow its text: it asks
// for the room of the widest of its first text and the sizing texts (the
// widest values it is meant to show), and a text that does not fit is shown
// cut at the right with "…". text() keeps the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, const QStringList& sizingTexts, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_sizingTexts;
    // The room of the sizing texts in m_sizedFont: every setText asks for
    // the size hint again, and measuring the texts means shaping them.
    mutable QSize m_textSize;
    mutable QFont m_sizedFont;
};
