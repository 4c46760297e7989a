#include "recordingwriter.h"

#include "Mp4Recorder.h"

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

bool RecordingWriter::open(const std::string& path, double fps, cv::Size frameSize)
{
    release();
    m_failed = false;
    m_written = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error.clear();
        m_stop = false;
        m_busy = false;
    }
    if (!m_recorder->open(path, cv::VideoWriter::fourcc('x', 'v', 'i', 'd'), fps, frameSize)) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_error = m_recorder->lastError();
        return false;
    }
    m_size = frameSize;
    m_thread = std::thread(&RecordingWriter::run, this);
    return true;
}

bool RecordingWriter::acceptsLocked() const
{
    return !m_busy && !m_stop && !m_failed && m_thread.joinable();
}

bool RecordingWriter::ready() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return acceptsLocked();
}

bool RecordingWriter::offer(const cv::Mat& frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!acceptsLocked()) {
            return false;
        }
        m_pending = frame;
        m_busy = true;
    }
    m_wake.notify_one();
    return true;
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
    m_recorder->release();
}

bool RecordingWriter::SaveVideo(Mp4Recorder& recorder, cv::Size size, const cv::Mat& frame)
{
    if (frame.size() == size || frame.cols <= 0 || frame.rows <= 0) {
        return recorder.write(frame);
    }
    qDebug() << "SaveVideo m_iMatWidth != pImg.cols" << size.width << size.height << frame.cols
             << frame.rows;
    cv::Mat scaled;
    cv::resize(frame, scaled, size, 0, 0, cv::INTER_AREA);
    return recorder.write(scaled);
}

void RecordingWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_busy || m_stop; });
        if (m_busy) {
            cv::Mat frame = std::move(m_pending);
            m_pending = cv::Mat();
            lock.unlock();
            const bool written = SaveVideo(*m_recorder, m_size, frame);
            const bool closed = !m_recorder->isOpened();
            lock.lock();
            m_busy = false;
            if (written) {
                ++m_written;
            } else if (closed) {
                // The recorder finished the file after a write error.
                m_error = m_recorder->lastError();
                m_failed = true;
                return;
            }
        } else {
            return;
        }
    }
}
