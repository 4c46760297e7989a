// A hostile crawler for tests and benchmarks on 127.0.0.1: it sends valid
// status records at the crawler's 20 Hz or as fast as the console takes
// them, optionally with absurd values, and reads and drops whatever the
// console sends.
#pragma once

#include "FrameSocket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

class FloodPeer {
public:
    enum class Pace { Crawler, Flood };

    FloodPeer();
    ~FloodPeer();
    FloodPeer(const FloodPeer&) = delete;
    FloodPeer& operator=(const FloodPeer&) = delete;

    int port() const { return m_listener.port(); }
    // Waits for the console to connect; then records go at the crawler's pace.
    bool accept(std::chrono::milliseconds timeout);
    void setPace(Pace pace) { m_pace = pace; }
    // Every other record then carries NaN, infinities or FLT_MAX in its
    // floats, INT_MIN pressures and a cable length of 0xFFFFFFFF.
    void setHostile(bool hostile) { m_hostile = hostile; }
    uint64_t recordsSent() const { return m_sent; }
    // False once the console stopped taking records (closed or stalled).
    bool connected() const { return !m_lost; }

private:
    void send();
    void drain();

    simtest::FrameListener m_listener;
    simtest::FrameSocket m_socket;
    std::atomic<Pace> m_pace{Pace::Crawler};
    std::atomic<bool> m_hostile{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lost{false};
    std::atomic<uint64_t> m_sent{0};
    std::thread m_sender;
    std::thread m_reader;
};
