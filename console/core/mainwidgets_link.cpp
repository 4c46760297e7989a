// The console's side of the robot link: opening it from the start-up
// thread and reacting to its state reports.
#include "mainwidgets.h"

#include "consolelog.h"
#include "inisettings.h"

#include <chrono>

namespace {
constexpr std::chrono::milliseconds kStartupRetry(1000);
} // namespace

bool mainWidgets::startupDone() const
{
    return m_bConnectCom;
}

void mainWidgets::startInitThread()
{
    while (!startupDone() && !m_startup.stopRequested()) {
        if (!m_bConnectCom)
            openLink();
        MORAVEL_LOG(L"[Moravel] startInitThread m_userID_0 [%d] m_userID_1 [%d] bCom [%d]",
                    static_cast<int>(m_userID_0), static_cast<int>(m_userID_1),
                    static_cast<int>(m_bConnectCom));
        if (!m_startup.sleepFor(kStartupRetry))
            break;
    }
    MORAVEL_LOG(L"[Moravel] startInitThread end");
}

void mainWidgets::openLink()
{
    int drops = 0;
    {
        std::lock_guard<std::mutex> lock(m_linkMutex);
        drops = m_iLinkDrops;
    }
    const QByteArray address = GetQStringFromIni("/com/ip").toUtf8();
    const int port = GetQStringFromIni("/com/port").toInt(); // 0 when not a number
    m_pSocketSystem->Connect(address.constData(), port);
    if (!m_pSocketSystem->IsConnected())
        return;
    m_pSocketSystem->Start();
    m_pSocketSystem->ResetControl();
    // A drop reported meanwhile wins: the loop then opens the link again.
    std::lock_guard<std::mutex> lock(m_linkMutex);
    if (drops == m_iLinkDrops)
        m_bConnectCom = true;
}

int mainWidgets::OnLinkState(const char* state)
{
    const bool up = state && state[0] == '1';
    bool wasUp = false;
    {
        // Stored before the restart below, so the new start-up pass cannot
        // see the link as still open.
        std::lock_guard<std::mutex> lock(m_linkMutex);
        wasUp = m_bConnectCom.exchange(up);
        if (!up)
            ++m_iLinkDrops;
    }
    if (wasUp && !up) {
        m_pSocketSystem->Disconnect();
        m_startup.start();
    }
    MORAVEL_LOG(L"[Moravel] startInitThread m_bConnectCom [%d] bConn [%d]", static_cast<int>(wasUp),
                static_cast<int>(up));
    return 0;
}

int mainWidgets::OnStatusData(const LinkStatusRecord*)
{
    return 0;
}

int mainWidgets::OnControlData(const LinkControlRecord*)
{
    return 0;
}
