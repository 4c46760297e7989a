// A recording in the picture area: the frame at the playhead with the
// telemetry of that moment ("—" without a CSV), the controls, the position
// slider and under it the distance scale with the recording's snapshots.
// Decoding runs on the engine's worker thread; this widget only paints.
// Keys while it has the focus: Space play or pause, ←/→ one frame,
// Shift+←/→ one second, Ctrl+←/→ ten seconds, Home/End, [ and ] slower
// and faster, Escape back to the list. Grabbing (F2, F7, F8) is the
// window's, through grab().
#pragma once

#include "distancescale.h"
#include "playbackengine.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

class PlayerView : public QWidget {
    Q_OBJECT
public:
    // What a grabbed frame is for.
    enum GrabKind { kSnapshot, kContinuousStart, kContinuousEnd };

    explicit PlayerView(QWidget* parent = nullptr);

    // The recording's video from folder, paused at atS; for the recording
    // already open, a seek to atS (unknown: where it is).
    void showRecording(const Recording& recording, const QString& folder, double atS);
    const Recording& recording() const { return m_recording; }
    void setMarks(const QVector<ScaleMark>& marks) { m_scale->setMarks(marks); }
    // Pauses and writes the frame shown as a snapshot of moment; kind comes
    // back with grabbed().
    void grab(const GrabMoment& moment, GrabKind kind);

    void togglePlaying();
    void pause();
    void step(int frames);
    // By seconds from the frame shown (or asked for).
    void seekBy(double seconds);
    void seekTo(double seconds);
    void changeSpeed(int steps);

    // What is shown: the frame's time, its telemetry, the picture, a problem.
    double position() const { return m_frame.timeS; }
    const PlayerFrame& frame() const { return m_frame; }
    QString telemetryText() const;
    QString problemText() const;
    bool isPlaying() const { return m_playing; }
    double speed() const;
    PlaybackEngine& engine() { return *m_engine; }

signals:
    // One of the grab buttons.
    void grabRequested(PlayerView::GrabKind kind);
    void grabbed(const QString& file, const QString& error, PlayerView::GrabKind kind);
    // Escape: back to the list.
    void leave();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void buildControls();
    void takeFrame();
    void opened(const PlayerMedia& media);
    void setSpeedIndex(int index);

    PlaybackEngine* m_engine;
    QWidget* m_picture;
    QLabel* m_problem;
    QLabel* m_time;
    QLabel* m_telemetry;
    QSlider* m_slider;
    DistanceScale* m_scale;
    QComboBox* m_speed;
    QPushButton* m_play;

    Recording m_recording;
    QString m_video; // its path; what the engine tells of another file is past
    PlayerMedia m_media;
    PlayerFrame m_frame;
    double m_target = kUnknown; // asked for, not shown yet
    bool m_playing = false;     // as asked for
    GrabKind m_grabKind = kSnapshot;
};
