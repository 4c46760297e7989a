#include "paintbeat.h"

#include <utility>

PaintBeat::PaintBeat(QObject* parent) : QObject(parent)
{
    m_wait.setSingleShot(true);
    m_wait.setTimerType(Qt::PreciseTimer);
    connect(&m_wait, &QTimer::timeout, this, &PaintBeat::runWaiting);
}

void PaintBeat::beat()
{
    m_sinceBeat.start();
    runWaiting();
}

void PaintBeat::run(QObject* context, std::function<void()> job)
{
    if (!m_sinceBeat.isValid() || m_sinceBeat.elapsed() > kStillMs) {
        job();
        return;
    }
    m_context = context;
    m_job = std::move(job);
    if (!m_wait.isActive())
        m_wait.start(kWaitMs);
}

void PaintBeat::runWaiting()
{
    m_wait.stop();
    const std::function<void()> job = std::exchange(m_job, nullptr);
    const bool contextLives = !m_context.isNull();
    m_context = nullptr;
    if (job && contextLives)
        job();
}
