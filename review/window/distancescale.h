// The strip under the player's position slider: the crawl distance along
// the recording and where its snapshots lie, coded ones marked by kind.
// Positions match the slider's handle centre.
#pragma once

#include "telemetrytrack.h"

#include <QVector>
#include <QWidget>

#include <memory>

class QSlider;

struct ScaleMark {
    enum State { Uncoded, Note, Defect };
    double offsetS = kUnknown;
    State state = Uncoded;
    QString text; // its tooltip
};

class DistanceScale : public QWidget {
    Q_OBJECT
public:
    // slider: the one it lies under (its range is in milliseconds).
    explicit DistanceScale(const QSlider* slider, QWidget* parent = nullptr);

    void setTrack(std::shared_ptr<const TelemetryTrack> track) { m_track = std::move(track); }
    void setMarks(const QVector<ScaleMark>& marks);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The x of a moment, as the slider places its handle.
    int xOf(double seconds) const;

    const QSlider* m_slider;
    std::shared_ptr<const TelemetryTrack> m_track;
    QVector<ScaleMark> m_marks;
};
