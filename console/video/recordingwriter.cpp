#include "recordingwriter.h"

#include "Mp4Recorder.h"
#include "framequeue.h"

#include <QDebug>

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

RecordingWriter::RecordingWriter() : m_recorder(std::make_unique<Mp4Recorder>())
{
}

RecordingWriter::~RecordingWriter()
{
    release();
}

namespace {

std::chrono::microseconds since(RecordingClock::time_point start, RecordingClock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(at - start);
}

} // namespace

bool RecordingWriter::open(const std::string& path, double fps, cv::Size frameSize,
                           FrameQueue& source, RecordingClock::time_point start)
{
    release();
    m_failed = false;
    m_written = 0;
    m_stop = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error.clear();
        m_pumped = false;
    }
    if (!m_recorder->open(path, cv::VideoWriter::fourcc('x', 'v', 'i', 'd'), fps, frameSize)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = m_recorder->lastError();
        return false;
    }
    m_size = frameSize;
    m_start = start;
    m_source = &source;
    m_thread = std::thread(&RecordingWriter::run, this);
    return true;
}

void RecordingWriter::pump()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pumped = true;
    }
    m_wake.notify_one();
}

std::string RecordingWriter::error() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void RecordingWriter::release()
{
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
    m_recorder->release(since(m_start, RecordingClock::now()));
}

bool RecordingWriter::SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame,
                                std::chrono::microseconds at)
{
    if (frame.size() == size || frame.cols <= 0 || frame.rows <= 0) {
        return recorder.write(frame, at);
    }
    qDebug() << "SaveVideo m_iMatWidth != pImg.cols" << size.width << size.height << frame.cols
             << frame.rows;
    cv::Mat scaled;
    cv::resize(frame, scaled, size, 0, 0, cv::INTER_AREA);
    return recorder.write(scaled, at);
}

bool RecordingWriter::writeNext()
{
    TimedFrame next;
    if (!m_source->pop(next)) {
        return false;
    }
    if (next.frame.empty()) {
        return true;
    }
    if (SaveVideo(*m_recorder, m_size, next.frame, since(m_start, next.arrival))) {
        ++m_written;
        return true;
    }
    if (m_recorder->isOpened()) {
        return true; // a refused frame; the recording goes on
    }
    // The recorder finished the file after a write error.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = m_recorder->lastError();
    m_failed = true;
    return false;
}

void RecordingWriter::run()
{
    while (!m_failed) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_pumped || m_stop; });
            if (m_stop) {
                return;
            }
            m_pumped = false;
        }
        while (!m_stop && writeNext()) {
        }
    }
}
