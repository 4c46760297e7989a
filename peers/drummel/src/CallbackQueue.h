// What the link reports to its host, queued by the receive thread and
// handed out by the callback thread, so a slow host never holds up the link.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "LinkRecords.h"

namespace drummel {

struct LinkEvent {
    enum class Kind { Up, Down, Status, Control };
    Kind kind = Kind::Up;
    LinkStatusRecord status{};   // Kind::Status
    LinkControlRecord control{}; // Kind::Control
};

class CallbackQueue {
public:
    // About 25 s of status records at 20 Hz; a host slower than that for
    // good loses the oldest records, never the link.
    static constexpr size_t kMaxRecords = 512;

    void post(const LinkEvent& event);
    // No event follows; take() still hands out what is queued.
    void close();
    // take() returns false at once; what is queued is dropped.
    void cancel();
    // Waits for the next event; false once closed and drained, or cancelled.
    bool take(LinkEvent& event);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<LinkEvent> events_;
    size_t records_ = 0;
    bool closed_ = false;
    bool cancelled_ = false;
};

} // namespace drummel
