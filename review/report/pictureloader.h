// Reads the report's pictures on a worker thread, in report order and a few
// ahead of the page being painted, each scaled down to what its place on
// the page can show. JPEG decoding is the slow part of a report with many
// pictures; QImageReader and QImage need no font or widget, so the worker
// may use them. The loader owns its thread: it starts it, and stops and
// joins it when destroyed.
#pragma once

#include <QImage>
#include <QSize>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

class PictureLoader {
public:
    static constexpr int kAhead = 8;

    // fit: the largest size a picture is shown at, in pixels.
    PictureLoader(QStringList paths, const QSize& fit);
    ~PictureLoader();
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // The picture at index once it is read (a null image when it cannot be),
    // waiting at most waitMs; false when it is not read yet. Each picture is
    // taken once, in increasing order.
    bool take(int index, int waitMs, QImage* image);

private:
    void run();

    const QStringList m_paths;
    const QSize m_fit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, QImage> m_read; // read and not yet taken
    int m_wanted = 0;             // the next index asked for
    bool m_stop = false;
    std::thread m_thread;
};
