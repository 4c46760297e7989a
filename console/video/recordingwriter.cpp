#include "recordingwriter.h"

#include "consolelog.h"
#include "framefit.h"
#include "signalstack.h"
#include "telemetrysidecar.h"

#include <QDebug>
#include <QFileInfo>

#include <pthread.h>

#include <algorithm>
#include <utility>

RecordingWriter::RecordingWriter() = default;

RecordingWriter::~RecordingWriter()
{
    release();
}

std::chrono::microseconds RecordingWriter::sinceStart(RecordingClock::time_point at) const
{
    return std::max(std::chrono::microseconds(0),
                    std::chrono::duration_cast<std::chrono::microseconds>(at - m_start));
}

bool RecordingWriter::open(const File& file, FrameQueue& source, RecordingClock::time_point start)
{
    release();
    m_failed = false;
    m_written = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error.clear();
        m_pumped = false;
        m_closing = false;
        m_records.clear();
        m_recordsDropped = 0;
        m_onClosed = nullptr;
        m_queueDropsAtOpen = source.dropped();
        m_queueDrops = 0;
    }
    if (!m_recorder.open(file.videoPath, file.fourcc, file.fps, file.size, file.options)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = m_recorder.lastError();
        return false;
    }
    m_size = file.size;
    m_storedSize = m_recorder.storedSize();
    m_start = start;
    m_source = &source;
    m_nextCue = std::chrono::microseconds(0);
    m_videoPath = file.videoPath;
    m_closed = false;
    const QString telemetryPath = file.telemetryPath;
    const bool subtitles = file.options.subtitles;
    m_thread = std::thread([this, telemetryPath, subtitles] {
        crash::guardThisThread();
        ::pthread_setname_np(::pthread_self(), "rec-writer");
        m_sidecar = std::make_unique<TelemetrySidecar>(telemetryPath);
        m_lastFlush = m_lastSync = RecordingClock::now();
        m_queueDropsLogged = 0;
        m_lastDropLog = m_lastFlush - kDropLogEvery;
        m_subtitles = subtitles;
        run();
    });
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accepting = true;
    return true;
}

bool RecordingWriter::isOpened() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_accepting;
}

void RecordingWriter::pump()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pumped = true;
    }
    m_wake.notify_one();
}

void RecordingWriter::addTelemetry(const TelemetrySample& sample)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_accepting) {
        return;
    }
    if (m_records.size() >= kMaxWaitingRecords) {
        m_records.erase(m_records.begin());
        ++m_recordsDropped;
    }
    m_records.push_back(sample);
}

std::string RecordingWriter::error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void RecordingWriter::close(RecordingClock::time_point end, std::function<void()> closed)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_accepting) {
            return;
        }
        m_accepting = false;
        m_closing = true;
        m_end = end;
        m_closeDeadline = RecordingClock::now() + kCloseWithin;
        m_queueDrops = m_source->dropped() - m_queueDropsAtOpen;
        // Under the writer's lock: the thread takes no frame from the source
        // after this, so the next recording's frames are never written here.
        m_backlog = m_source->takeAll();
        m_onClosed = std::move(closed);
    }
    m_wake.notify_one();
}

void RecordingWriter::release()
{
    close(RecordingClock::now());
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool RecordingWriter::SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame,
                                std::chrono::microseconds at)
{
    if (Mp4Recorder::isYv12(frame, size)) {
        return recorder.write(frame, at);
    }
    if (frame.size() != size && frame.cols > 0 && frame.rows > 0) {
        qDebug() << "SaveVideo m_iMatWidth != pImg.cols" << size.width << size.height << frame.cols
                 << frame.rows;
    }
    return recorder.write(fitInto(frame, size), at);
}

void RecordingWriter::recordFailure()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = m_recorder.lastError();
    m_failed = true;
}

void RecordingWriter::writeCues(std::chrono::microseconds until)
{
    while (m_subtitles && !m_failed && m_nextCue < until) {
        const auto to = std::min(m_nextCue + std::chrono::microseconds(kCueLength), until);
        if (!m_recorder.writeSubtitle(m_sidecar->cueAt(m_nextCue), m_nextCue, to)) {
            recordFailure();
        }
        m_nextCue += kCueLength;
    }
}

bool RecordingWriter::writeNext()
{
    TimedFrame next;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed) {
            return false;
        }
        if (m_closing) {
            if (m_backlog.empty() || RecordingClock::now() > m_closeDeadline) {
                return false;
            }
            next = std::move(m_backlog.front());
            m_backlog.pop_front();
        } else if (!m_source->pop(next)) {
            return false;
        }
    }
    if (next.frame.empty()) {
        return true;
    }
    const auto at = sinceStart(next.arrival);
    // The cue of each second that has passed by this frame: it goes into the
    // file with the video of its second, and never past the recording's end.
    writeCues(at - at % kCueLength);
    if (m_failed) {
        return false;
    }
    if (SaveVideo(m_recorder, m_size, next.frame, at)) {
        ++m_written;
        return true;
    }
    if (m_recorder.isOpened()) {
        return true; // a refused frame; the recording goes on
    }
    // The recorder finished the file after a write error.
    recordFailure();
    return false;
}

void RecordingWriter::serviceTelemetry()
{
    std::vector<TelemetrySample> records;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        records.swap(m_records);
    }
    for (const TelemetrySample& record : records) {
        m_sidecar->add(record, sinceStart(record.at));
    }
    const auto now = RecordingClock::now();
    if (now - m_lastSync >= kSyncEvery) {
        m_sidecar->sync();
        m_lastSync = m_lastFlush = now;
    } else if (now - m_lastFlush >= kFlushEvery) {
        m_sidecar->flush();
        m_lastFlush = now;
    }
}

void RecordingWriter::noteDrops()
{
    uint64_t dropped = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dropped = m_closing ? m_queueDrops : m_source->dropped() - m_queueDropsAtOpen;
    }
    const auto now = RecordingClock::now();
    if (dropped == m_queueDropsLogged || now - m_lastDropLog < kDropLogEvery) {
        return;
    }
    const std::wstring name =
        QFileInfo(QString::fromStdString(m_videoPath)).fileName().toStdWString();
    MORAVEL_LOG(L"[Moravel] recording [%s] behind the camera: [%llu] frames dropped from the "
                L"queue so far",
                name.c_str(), static_cast<unsigned long long>(dropped));
    m_queueDropsLogged = dropped;
    m_lastDropLog = now;
}

void RecordingWriter::run()
{
    for (;;) {
        bool closing = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_pumped || m_closing; });
            m_pumped = false;
            closing = m_closing;
        }
        serviceTelemetry();
        while (writeNext()) {
            serviceTelemetry();
        }
        noteDrops();
        if (closing) {
            break;
        }
    }
    finishFiles();
}

void RecordingWriter::finishFiles()
{
    size_t dropped = 0;
    uint64_t recordsDropped = 0;
    uint64_t queueDrops = 0;
    std::function<void()> closed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        queueDrops = m_queueDrops;
        dropped = m_backlog.size();
        m_backlog.clear();
        recordsDropped = m_recordsDropped;
        closed = std::move(m_onClosed);
    }
    serviceTelemetry();
    const auto end = sinceStart(m_end);
    writeCues(end);
    if (m_recorder.isOpened() && !m_recorder.release(end)) {
        recordFailure();
    }
    m_sidecar.reset();
    const Mp4Recorder::SyncFigures sync = m_recorder.syncFigures();
    const std::wstring name =
        QFileInfo(QString::fromStdString(m_videoPath)).fileName().toStdWString();
    MORAVEL_LOG(L"[Moravel] recording closed [%s] frames [%llu] dropped from the queue [%llu] "
                L"dropped at close [%d] records dropped [%llu] fragments synced [%llu] longest "
                L"sync [%lld ms]",
                name.c_str(), static_cast<unsigned long long>(m_written.load()),
                static_cast<unsigned long long>(queueDrops), static_cast<int>(dropped),
                static_cast<unsigned long long>(recordsDropped),
                static_cast<unsigned long long>(sync.count),
                static_cast<long long>(sync.longest.count() / 1000));
    m_closed = true;
    if (closed) {
        closed();
    }
}
