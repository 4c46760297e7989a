// The current snapshot large, with its distance, time and attitude.
#pragma once

#include "indexrecords.h"

#include <QImage>
#include <QWidget>

class QLabel;

class SnapshotView : public QWidget {
    Q_OBJECT
public:
    explicit SnapshotView(QWidget* parent = nullptr);
    // path: the picture; an empty path shows nothing.
    void showSnapshot(const Snapshot& snapshot, const QString& path);
    void clear();
    QString infoText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QLabel* m_picture;
    QLabel* m_info;
    QImage m_image;
};
