// One recording's video decoded with FFmpeg on the calling thread: frames in
// file order, an exact seek (the last frame whose time is at or before the
// moment asked for) and pictures converted to RGB at any size. Frame times
// are the file's presentation times, the recording's clock. A file cut off
// while it was written plays to its last whole frame; damaged pictures are
// passed over; a file that cannot be decoded at all says why.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class VideoDecoder {
    Q_DECLARE_TR_FUNCTIONS(VideoDecoder)
public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Opens the file and shows its first frame; false with problem(). A
    // closed recording's index of every frame is read only when first
    // needed (a seek, the duration).
    bool open(const QString& path);
    void close();
    const QString& problem() const { return m_problem; }
    // Of the video as the file's index gives it; a cut file may decode less.
    double durationS();

    // The last frame whose time is at or before seconds; the first frame
    // for an earlier moment. False when no frame could be decoded.
    bool seek(double seconds);
    // The frame before the current one (the first stays).
    bool stepBack();
    // The frame after the current one; false at the end.
    bool advance();
    // The time of the frame after the current one (decoding it now);
    // unknown at the end.
    double nextTime();
    // Jumps to the key frame at or before seconds, which is then shown, and
    // is cheaper than seek(): for catching up while playing fast.
    bool seekKeyFrame(double seconds);

    bool hasFrame() const;
    double time() const; // of the current frame
    // The current frame scaled to fit box with its aspect kept; the frame at
    // its own size for an empty box. Null without a frame.
    QImage picture(const QSize& box = QSize()) const;
    // Frames decoded since open (for the benchmark).
    qint64 decodedFrames() const;

private:
    struct Media;
    bool seekTo(long long target, bool exact);
    void indexWhole();
    bool fail(const QString& problem);

    std::unique_ptr<Media> m_media;
    QString m_problem;
};
