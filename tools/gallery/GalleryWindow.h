// The gallery: the console's widgets grouped as the console places them, with
// a log of every signal they emit.
#pragma once

#include <QString>
#include <QWidget>

class QPlainTextEdit;

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget* parent = nullptr);

    // Everything but the log, at its full laid-out size.
    QWidget* content() const { return m_pContent; }

private:
    QWidget* leftColumn();
    QWidget* rightColumn();
    QWidget* bottomBand();
    QWidget* lamps();
    void log(const QString& line);

    QWidget* m_pContent;
    QPlainTextEdit* m_pLog;
};
