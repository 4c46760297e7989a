// Plays one recording: a worker thread, owned here, decodes, times and
// converts the frames and writes grabbed frames; the GUI thread only sends
// commands and takes the newest picture when frameReady() says there is
// one. Commands return at once; a later seek replaces one not yet begun.
// While playing, a picture the GUI has not taken yet is never replaced by
// converting another. At 1× and slower every frame is shown, and playing
// slips when the machine falls behind. Faster, a frame is passed over when
// the one after it is more than kLateMs late, as long as one is shown every
// kMaxPictureGapMs; far behind, playing jumps to the key frame of the moment
// it should be at.
#pragma once

#include "framegrab.h"
#include "telemetrytrack.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class VideoDecoder;

// A picture for the screen: the frame at the size asked for, its time and
// the telemetry row at or before it.
struct PlayerFrame {
    QString video; // the file it is from
    QImage picture;
    double timeS = kUnknown;
    bool hasRow = false;
    TelemetryReading row;
};

// What opening a recording found.
struct PlayerMedia {
    QString video;   // the file opened
    QString problem; // why it cannot play; empty when it can
    double durationS = kUnknown;
    std::shared_ptr<const TelemetryTrack> track; // empty without a CSV
    QString telemetryProblem;                    // why the CSV or rows of it could not be read
};

class PlaybackEngine : public QObject {
    Q_OBJECT
public:
    static constexpr double kSpeeds[] = {0.25, 0.5, 1, 2, 4, 8};
    static constexpr int kLateMs = 100;
    static constexpr int kMaxPictureGapMs = 80;
    // Playing this far behind (in the recording's time) jumps ahead.
    static constexpr double kCatchUpS = 1.0;

    struct Statistics {
        qint64 decoded = 0;  // frames decoded
        qint64 shown = 0;    // pictures handed to the GUI
        qint64 skipped = 0;  // frames played past without a picture
        qint64 replaced = 0; // pictures replaced before the GUI took them
    };

    explicit PlaybackEngine(QObject* parent = nullptr);
    // Stops the worker and waits for it.
    ~PlaybackEngine() override;

    // Opens the recording paused at atS (telemetryPath may be empty).
    void open(const QString& videoPath, const QString& telemetryPath, double atS);
    void close();
    void play();
    void pause();
    void setSpeed(double speed);
    // The last frame at or before seconds; playing goes on from there.
    void seek(double seconds);
    // Frames forward (> 0) or back; pauses.
    void step(int frames);
    // Pictures fit within size (device pixels).
    void setPictureSize(const QSize& size);
    // Pauses and writes the frame shown as a snapshot of moment, its offset
    // and telemetry being the frame's; grabbed() tells the outcome.
    void grab(const GrabMoment& moment);

    // GUI thread: the newest picture, after frameReady().
    PlayerFrame takeFrame();
    Statistics statistics() const;

signals:
    void opened(const PlayerMedia& media);
    void frameReady();
    void playingChanged(bool playing);
    void grabbed(const QString& file, const QString& error);

private:
    enum class Kind { Open, Close, Play, Pause, Speed, Seek, Step, Size, Grab, Stop };
    struct Command {
        explicit Command(Kind k, double v = 0) : kind(k), value(v) {}
        Kind kind;
        double value;
        QString video;
        QString telemetry;
        QSize size;
        GrabMoment moment;
    };
    using Clock = std::chrono::steady_clock;

    void post(Command command);
    void run();
    void apply(const Command& command);
    // One frame of playing: the next one when it is due.
    void playOn(std::unique_lock<std::mutex>& lock);
    void startPlaying();
    // Pauses with the frame the decoder is at on screen.
    void stopPlaying();
    void setPlaying(bool playing);
    void deliver();
    Clock::time_point dueOf(double seconds) const;

    // Worker thread only.
    std::unique_ptr<VideoDecoder> m_decoder;
    std::shared_ptr<const TelemetryTrack> m_track;
    QString m_video;
    bool m_playing = false;
    double m_speed = 1;
    QSize m_size;
    double m_anchorS = 0;
    Clock::time_point m_anchor;
    Clock::time_point m_lastShown;
    double m_shownS = kUnknown; // the time of the frame last handed over

    // Shared, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Command> m_commands;
    PlayerFrame m_frame;
    bool m_frameWaiting = false;
    Statistics m_statistics;

    std::thread m_worker;
};
