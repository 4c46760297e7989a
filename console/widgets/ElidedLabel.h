#pragma once

#include <QLabel>
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
};
