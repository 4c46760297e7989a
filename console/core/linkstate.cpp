#include "linkstate.h"

#include "consolelog.h"

#include <utility>

LinkStateWatch::LinkStateWatch(std::function<void()> teardown) : m_teardown(std::move(teardown))
{
}

int LinkStateWatch::OnLinkState(const char* state)
{
    const bool up = state != nullptr && state[0] == '1';
    bool wasUp = false;
    {
        // Stored before the teardown restarts the start-up thread, so the new
        // pass cannot see the dropped link as still open.
        std::lock_guard<std::mutex> lock(m_mutex);
        wasUp = m_bConnectCom.exchange(up);
        if (!up)
            ++m_iDrops;
    }
    if (wasUp && !up)
        m_teardown();
    MORAVEL_LOG(L"[Moravel] startInitThread m_bConnectCom [%d] bConn [%d]", static_cast<int>(wasUp),
                static_cast<int>(up));
    return 0;
}

int LinkStateWatch::drops() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_iDrops;
}

bool LinkStateWatch::confirmOpened(int dropsBefore)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (dropsBefore != m_iDrops)
        return false;
    m_bConnectCom.store(true);
    return true;
}
