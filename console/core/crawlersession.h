// The crawler session: the robot link and the two camera logins from the
// console's first start-up pass to its shutdown. It owns the start-up thread,
// opens the link (again after a drop or at a new address), tears the cameras
// and the link down after a drop on that thread, never on the link's own, and
// takes everything down at close in one order: the callback gate that every
// library callback into the console passes first, then its thread, the
// cameras, the link.
#pragma once

#include "ISocketSystemHead.h"
#include "callbackgate.h"
#include "linkstate.h"
#include "startupthread.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>

class CameraSide;

class CrawlerSession {
public:
    enum class State {
        Idle,     // constructed: nothing started
        Starting, // the start-up thread logs the cameras in and opens the link
        Running,  // both cameras logged in and the link open; no thread of ours runs
        Closing,  // shutDown has begun: no callback reaches the console any more
        Closed    // every thread stopped, cameras released, link closed
    };

    // Where the crawler is, as config.ini says now; read before every attempt.
    struct LinkAddress {
        std::string host;
        int port = 0;
    };

    struct Hooks {
        // Start-up thread.
        std::function<LinkAddress()> linkAddress;
        // Runs a task on the GUI thread, in order; a task still waiting when
        // the console goes is dropped.
        std::function<void(std::function<void()>)> onGuiThread;
        // GUI thread: the link has opened, so the crawler is reset and the
        // operator's outputs resumed.
        std::function<void()> linkOpened;
        // GUI thread: the console is about to leave a crawler that may be
        // moving (its address changed), so it is reset first.
        std::function<void()> leavingLink;
    };

    static constexpr std::chrono::milliseconds kRetryInterval{1000};

    // The link system, the cameras and the gate must outlive the session.
    CrawlerSession(ISocketSystemHead& link, CameraSide& cameras, CallbackGate& callbacks,
                   Hooks hooks);
    ~CrawlerSession();
    CrawlerSession(const CrawlerSession&) = delete;
    CrawlerSession& operator=(const CrawlerSession&) = delete;

    // GUI thread. Starts the first start-up pass.
    void start();
    // GUI thread: the link address changed. The crawler is reset, the link
    // closed and opened at the new address at once; the cameras play on.
    void reopenLink();
    // GUI thread: a camera's keys changed (it was logged out): log in at once.
    void loginSoon();
    // GUI thread, once the crawler has been reset: callbacks closed (waiting
    // for those running), start-up thread stopped, cameras shut down, link
    // closed. Later calls do nothing.
    void shutDown();

    // Link library thread.
    int OnLinkState(const char* state);

    // Why the link is not open, as the last attempt found it.
    enum class LinkProblem {
        None,           // open, or not tried yet
        InvalidAddress, // no IPv4 address, or no port in 1..65535
        Refused,
        TimedOut,
        Failed,  // the link library did not say why
        Dropped, // it was open; no new attempt yet
    };

    State state() const;
    bool linkConnected() const { return m_linkState.isConnected(); }
    LinkProblem linkProblem() const { return m_linkProblem.load(); }

private:
    // The start-up thread's body: one pass a second until all is up.
    void startupPasses();
    bool allUp() const;
    void openLink();
    void closeLinkForNewAddress();
    void tearDownAfterDrop();
    // Start-up thread: closed, and not open as far as the console knows.
    void closeLink();
    // Link thread, inside a callback: hands the teardown to the start-up thread.
    void linkDropped();
    // Closing and Closed are final; every other state follows the passes.
    void setState(State state);

    ISocketSystemHead& m_link;
    CameraSide& m_cameras;
    Hooks m_hooks;

    CallbackGate& m_callbacks;
    LinkStateWatch m_linkState;
    std::atomic<bool> m_bReopenLink{false};
    std::atomic<LinkProblem> m_linkProblem{LinkProblem::None};
    std::atomic<bool> m_bTearDownPending{false};
    mutable std::mutex m_stateMutex;
    State m_state = State::Idle;
    // Last: its thread runs the passes over everything above.
    StartupThread m_startup;
};
