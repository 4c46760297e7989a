// Library callbacks into the console run inside a CallbackGate::Scope.
// Shutdown closes the gate before it tears anything down: a callback that
// arrives later returns at once without touching a console object, and
// close() waits for the callbacks already running. A callback must never wait
// for the thread that closes the gate (the GUI thread), or both would wait.
#pragma once

#include <condition_variable>
#include <mutex>

class CallbackGate {
public:
    class Scope {
    public:
        explicit Scope(CallbackGate& gate);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        // False once the gate is closed: the callback must return at once.
        explicit operator bool() const { return m_bEntered; }

    private:
        CallbackGate& m_gate;
        bool m_bEntered;
    };

    CallbackGate() = default;
    CallbackGate(const CallbackGate&) = delete;
    CallbackGate& operator=(const CallbackGate&) = delete;

    // Refuses new scopes and waits until none runs. Never from inside a scope:
    // it would wait for itself.
    void close();
    bool isClosed() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_iRunning = 0;
    bool m_bClosed = false;
};
