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

private:
    QWidget* leftColumn();
    QWidget* rightColumn();
    QWidget* bottomBand();
    QWidget* lamps();
    void log(const QString& line);

    QPlainTextEdit* m_pLog;
};
