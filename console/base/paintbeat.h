// A view's repaint beat, on the GUI thread. Work that repaints other widgets
// waits for the view's next repaint, so the window is painted and handed to
// the display once for both instead of once for each: a 25 fps view and the
// crawler's 20 Hz telemetry otherwise repaint the window 45 times a second.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class PaintBeat : public QObject {
    Q_OBJECT

public:
    // The longest a job waits for a beat; a 25 fps view beats every 40 ms.
    static constexpr int kWaitMs = 50;
    // A view that has not beaten for this long shows no moving picture.
    static constexpr int kStillMs = 200;

    explicit PaintBeat(QObject* parent = nullptr);

    // The view, just before it asks for its repaint: runs the waiting job.
    void beat();
    // Runs job at the next beat, at most kWaitMs after the first job waiting,
    // or at once while the view is still. A job still waiting is replaced;
    // one whose context has gone is dropped.
    void run(QObject* context, std::function<void()> job);

private:
    void runWaiting();

    QTimer m_wait;
    QElapsedTimer m_sinceBeat;
    QPointer<QObject> m_context;
    std::function<void()> m_job;
};
