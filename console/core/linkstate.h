// The console's view of the robot link (m_bConnectCom) and its reaction to
// the link library's state reports: a link that was up and has dropped is
// torn down through the teardown hook, which logs the cameras out, closes
// the link and starts the start-up thread again.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

class LinkStateWatch {
public:
    explicit LinkStateWatch(std::function<void()> teardown);

    // Link library thread. state[0] == '1': up. Returns 0.
    int OnLinkState(const char* state);

    bool isConnected() const { return m_bConnectCom.load(); }

    // Start-up thread: note drops() before opening the link and confirm the
    // opening afterwards. A drop reported in between wins, so the start-up
    // loop opens again instead of trusting a link that is already gone.
    int drops() const;
    bool confirmOpened(int dropsBefore);

    // Before the console closes the link itself (when closing, or to open it
    // at a new address): it no longer counts as up, so the report of its
    // closing is no drop and tears nothing down.
    void clear() { m_bConnectCom.store(false); }

private:
    std::function<void()> m_teardown;
    mutable std::mutex m_mutex; // orders the flag with the drop count
    std::atomic<bool> m_bConnectCom{false};
    int m_iDrops = 0;
};
