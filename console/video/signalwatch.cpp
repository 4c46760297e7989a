#include "signalwatch.h"

void SignalWatch::frameArrived(Clock::time_point at)
{
    m_lastArrival = ticks(at);
    if (m_bWaitingForFrame.exchange(false))
        m_firstAfterLoss = ticks(at);
}

SignalWatch::Change SignalWatch::check(Clock::time_point now)
{
    if (m_bLost) {
        const int64_t back = m_firstAfterLoss.load();
        if (back == kNever)
            return Change::None;
        m_bLost = false;
        m_outage = at(back) - m_lostSince;
        return Change::Back;
    }
    const int64_t last = m_lastArrival.load();
    if (last == kNever || now - at(last) < kLossAfter)
        return Change::None;
    m_bLost = true;
    m_lostSince = at(last);
    m_firstAfterLoss = kNever;
    m_bWaitingForFrame = true;
    // A frame that came between the read above and now ends the loss at once.
    if (m_lastArrival.load() != last && m_bWaitingForFrame.exchange(false))
        m_firstAfterLoss = m_lastArrival.load();
    return Change::Lost;
}
