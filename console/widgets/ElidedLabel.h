#pragma once

#include <QLabel>
#include <QString>

// A one-line plain-text label whose size does not follow its text: it asks
// for the room of the text it was made with, and a text that does not fit
// is shown cut at the right with "…". text() keeps the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, QWidget* parent);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_sizingText;
};
