#include "playbackengine.h"

#include "videodecoder.h"

#include <QMetaObject>

#include <cmath>

PlaybackEngine::PlaybackEngine(QObject* parent)
    : QObject(parent), m_decoder(std::make_unique<VideoDecoder>())
{
    m_worker = std::thread([this] { run(); });
}

PlaybackEngine::~PlaybackEngine()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.clear();
        m_commands.emplace_back(Kind::Stop);
    }
    m_wake.notify_one();
    m_worker.join();
}

void PlaybackEngine::post(Command command)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A seek or size not yet begun is replaced by the newer one.
        if (!m_commands.empty() && m_commands.back().kind == command.kind &&
            (command.kind == Kind::Seek || command.kind == Kind::Size)) {
            m_commands.back() = std::move(command);
        } else {
            m_commands.push_back(std::move(command));
        }
    }
    m_wake.notify_one();
}

void PlaybackEngine::open(const QString& videoPath, const QString& telemetryPath, double atS)
{
    Command c(Kind::Open, atS);
    c.video = videoPath;
    c.telemetry = telemetryPath;
    post(std::move(c));
}

void PlaybackEngine::close()
{
    post(Command(Kind::Close));
}

void PlaybackEngine::play()
{
    post(Command(Kind::Play));
}

void PlaybackEngine::pause()
{
    post(Command(Kind::Pause));
}

void PlaybackEngine::setSpeed(double speed)
{
    post(Command(Kind::Speed, speed));
}

void PlaybackEngine::seek(double seconds)
{
    post(Command(Kind::Seek, seconds));
}

void PlaybackEngine::step(int frames)
{
    post(Command(Kind::Step, static_cast<double>(frames)));
}

void PlaybackEngine::setPictureSize(const QSize& size)
{
    Command c(Kind::Size);
    c.size = size;
    post(std::move(c));
}

void PlaybackEngine::grab(const GrabMoment& moment)
{
    Command c(Kind::Grab);
    c.moment = moment;
    post(std::move(c));
}

PlayerFrame PlaybackEngine::takeFrame()
{
    PlayerFrame frame;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_frameWaiting = false;
        frame = std::move(m_frame);
    }
    m_wake.notify_one(); // playing at 1× may wait for the screen
    return frame;
}

PlaybackEngine::Statistics PlaybackEngine::statistics() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_statistics;
}

void PlaybackEngine::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (!m_commands.empty()) {
            const Command command = std::move(m_commands.front());
            m_commands.pop_front();
            if (command.kind == Kind::Stop) {
                break;
            }
            lock.unlock();
            apply(command);
            lock.lock();
        } else if (m_playing) {
            playOn(lock);
        } else {
            m_wake.wait(lock);
        }
    }
    lock.unlock();
    m_decoder->close();
}

PlaybackEngine::Clock::time_point PlaybackEngine::dueOf(double seconds) const
{
    return m_anchor + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double>((seconds - m_anchorS) / m_speed));
}

void PlaybackEngine::playOn(std::unique_lock<std::mutex>& lock)
{
    // At 1× and slower every frame is shown: when the machine falls behind,
    // playing slips instead of passing frames over.
    const bool everyFrame = m_speed <= 1;
    if (everyFrame && m_frameWaiting) {
        m_wake.wait(lock, [this] { return !m_frameWaiting || !m_commands.empty(); });
        return; // a command first, or on with the screen free
    }
    lock.unlock();
    const double next = m_decoder->nextTime();
    lock.lock();
    if (!known(next)) {
        lock.unlock();
        stopPlaying(); // the end
        lock.lock();
        return;
    }
    if (m_wake.wait_until(lock, dueOf(next), [this] { return !m_commands.empty(); })) {
        return; // a command first
    }
    lock.unlock();
    const auto now = Clock::now();
    const double behindS = std::chrono::duration<double>(now - dueOf(next)).count() * m_speed;
    const double before = m_decoder->time();
    // A key frame behind the one shown gains nothing: decode on.
    if (!(!everyFrame && behindS > kCatchUpS && m_decoder->seekKeyFrame(next + behindS) &&
          m_decoder->time() > before)) {
        m_decoder->advance();
    }
    const double following = m_decoder->nextTime();
    const bool late = !everyFrame && known(following) &&
                      dueOf(following) + std::chrono::milliseconds(kLateMs) <= Clock::now();
    const bool overdue = now - m_lastShown >= std::chrono::milliseconds(kMaxPictureGapMs);
    bool show = false;
    {
        const std::lock_guard<std::mutex> guard(m_mutex);
        show = !m_frameWaiting && (!late || overdue);
        m_statistics.skipped += show ? 0 : 1;
    }
    if (show) {
        deliver();
    }
    if (everyFrame &&
        dueOf(m_decoder->time()) + std::chrono::milliseconds(kLateMs) < Clock::now()) {
        m_anchorS = m_decoder->time();
        m_anchor = Clock::now();
    }
    lock.lock();
}

void PlaybackEngine::apply(const Command& c)
{
    switch (c.kind) {
    case Kind::Open: {
        setPlaying(false);
        m_video = c.video;
        m_track.reset();
        PlayerMedia media;
        media.video = c.video;
        const bool playable = m_decoder->open(c.video);
        if (playable) {
            // The picture first: an hour of telemetry, and of the video's
            // index, takes a moment to read.
            if (c.value > m_decoder->time()) {
                m_decoder->seek(c.value);
            }
            deliver();
            auto track = std::make_shared<TelemetryTrack>(TelemetryTrack::read(c.telemetry));
            m_track = track->isEmpty() ? nullptr : track;
            media.telemetryProblem = track->problem();
            media.durationS = m_decoder->durationS();
            media.track = m_track;
        } else {
            media.problem = m_decoder->problem();
        }
        QMetaObject::invokeMethod(
            this, [this, media] { emit opened(media); }, Qt::QueuedConnection);
        if (playable) {
            deliver(); // with its telemetry
        }
        break;
    }
    case Kind::Close:
        setPlaying(false);
        m_video.clear();
        m_decoder->close();
        m_track.reset();
        break;
    case Kind::Play:
        startPlaying();
        break;
    case Kind::Pause:
        stopPlaying();
        break;
    case Kind::Speed:
        m_anchorS = m_decoder->time();
        m_anchor = Clock::now();
        m_speed = c.value > 0 ? c.value : 1;
        break;
    case Kind::Seek:
        m_decoder->seek(c.value);
        m_anchorS = m_decoder->time();
        m_anchor = Clock::now();
        deliver();
        break;
    case Kind::Step:
        setPlaying(false);
        for (int i = 0; i < std::abs(static_cast<int>(c.value)); ++i) {
            if (c.value > 0) {
                m_decoder->advance();
            } else {
                m_decoder->stepBack();
            }
        }
        deliver();
        break;
    case Kind::Size:
        m_size = c.size;
        if (!m_playing) {
            deliver();
        }
        break;
    case Kind::Grab: {
        stopPlaying();
        GrabMoment moment = c.moment;
        moment.offsetS = m_decoder->time();
        const TelemetryReading* row = m_track ? m_track->at(moment.offsetS) : nullptr;
        moment.hasRow = row != nullptr;
        moment.row = row != nullptr ? *row : TelemetryReading();
        QString error;
        const QString file = FrameGrab::write(m_decoder->picture(), moment, &error);
        QMetaObject::invokeMethod(
            this, [this, file, error] { emit grabbed(file, error); }, Qt::QueuedConnection);
        break;
    }
    case Kind::Stop:
        break;
    }
}

void PlaybackEngine::startPlaying()
{
    if (!m_decoder->hasFrame()) {
        return;
    }
    if (!known(m_decoder->nextTime())) {
        m_decoder->seek(0); // from the end: again from the start
        deliver();
    }
    m_anchorS = m_decoder->time();
    m_anchor = Clock::now();
    setPlaying(true);
}

void PlaybackEngine::stopPlaying()
{
    setPlaying(false);
    // A frame passed over while playing would leave another on screen than
    // the one a grab takes.
    if (m_decoder->hasFrame() && m_decoder->time() != m_shownS) {
        deliver();
    }
}

void PlaybackEngine::setPlaying(bool playing)
{
    if (playing == m_playing) {
        return;
    }
    m_playing = playing;
    QMetaObject::invokeMethod(
        this, [this, playing] { emit playingChanged(playing); }, Qt::QueuedConnection);
}

void PlaybackEngine::deliver()
{
    PlayerFrame frame;
    frame.video = m_video;
    frame.picture = m_decoder->picture(m_size);
    frame.timeS = m_decoder->time();
    m_shownS = frame.timeS;
    const TelemetryReading* row = m_track ? m_track->at(frame.timeS) : nullptr;
    frame.hasRow = row != nullptr;
    frame.row = row != nullptr ? *row : TelemetryReading();
    m_lastShown = Clock::now();
    bool notify = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_statistics.decoded = m_decoder->decodedFrames();
        ++m_statistics.shown;
        m_statistics.replaced += m_frameWaiting ? 1 : 0;
        notify = !m_frameWaiting;
        m_frame = std::move(frame);
        m_frameWaiting = true;
    }
    if (notify) {
        QMetaObject::invokeMethod(
            this, [this] { emit frameReady(); }, Qt::QueuedConnection);
    }
}
