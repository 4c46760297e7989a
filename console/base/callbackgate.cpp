#include "callbackgate.h"

#include "signalstack.h"

#include <QtGlobal>

namespace {

// Scopes this thread is inside of: close() from one of them would never return.
thread_local int t_iScopesEntered = 0;

} // namespace

CallbackGate::Scope::Scope(CallbackGate& gate) : m_gate(gate)
{
    // A library's thread reaches the console first here: it gets its stack
    // for crash reports now.
    crash::guardThisThread();
    std::lock_guard<std::mutex> lock(gate.m_mutex);
    m_bEntered = !gate.m_bClosed;
    if (m_bEntered) {
        ++gate.m_iRunning;
        ++t_iScopesEntered;
    }
}

CallbackGate::Scope::~Scope()
{
    if (!m_bEntered)
        return;
    --t_iScopesEntered;
    std::lock_guard<std::mutex> lock(m_gate.m_mutex);
    if (--m_gate.m_iRunning == 0)
        m_gate.m_idle.notify_all();
}

void CallbackGate::close()
{
    Q_ASSERT_X(t_iScopesEntered == 0, "CallbackGate::close", "closed from inside a callback");
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bClosed = true;
    m_idle.wait(lock, [this] { return m_iRunning == 0; });
}

bool CallbackGate::isClosed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bClosed;
}
