#include "startuptiming.h"

#include <QDebug>
#include <QEvent>

StartupTiming::StartupTiming(QObject* parent) : QObject(parent), m_t1(std::clock())
{
    m_wall.start();
}

void StartupTiming::print(const char* label) const
{
    qDebug().noquote() << label << static_cast<long>(std::clock() - m_t1) << "ticks"
                       << m_wall.elapsed() << "ms";
}

bool StartupTiming::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_bPainted && event->type() == QEvent::Paint) {
        m_bPainted = true;
        qDebug().noquote() << "first paint" << m_wall.elapsed() << "ms";
    }
    return QObject::eventFilter(watched, event);
}
