#include "pictureloader.h"

#include <QImageReader>

#include <chrono>

PictureLoader::PictureLoader(QStringList paths, const QSize& fit)
    : m_paths(std::move(paths)), m_fit(fit), m_thread([this] { run(); })
{
}

PictureLoader::~PictureLoader()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool PictureLoader::take(int index, int waitMs, QImage* image)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (index > m_wanted) {
        m_wanted = index;
        m_changed.notify_all();
    }
    const bool ready = m_changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                          [&] { return m_read.count(index) > 0; });
    if (ready) {
        *image = std::move(m_read[index]);
        m_read.erase(index);
    }
    return ready;
}

void PictureLoader::run()
{
    for (int next = 0; next < m_paths.size(); ++next) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_stop ||
                       (next < m_wanted + kAhead && static_cast<int>(m_read.size()) < kAhead);
            });
            if (m_stop) {
                return;
            }
            next = std::max(next, m_wanted);
        }
        QImageReader reader(m_paths[next]);
        const QSize size = reader.size();
        if (size.isValid()) {
            const QSize fitted = size.scaled(m_fit, Qt::KeepAspectRatio);
            if (fitted.width() < size.width()) {
                reader.setScaledSize(fitted);
            }
        }
        const QImage image = reader.read();
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_read[next] = image;
        }
        m_changed.notify_all();
    }
}
