#include "CallbackQueue.h"

#include <algorithm>

namespace drummel {
namespace {

bool isRecord(const LinkEvent& event)
{
    return event.kind == LinkEvent::Kind::Status || event.kind == LinkEvent::Kind::Control;
}

} // namespace

void CallbackQueue::post(const LinkEvent& event)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_ || cancelled_) {
            return;
        }
        if (isRecord(event) && records_ == kMaxRecords) {
            // Link state changes are never dropped, only records.
            events_.erase(std::find_if(events_.begin(), events_.end(), isRecord));
            --records_;
        }
        records_ += isRecord(event) ? 1 : 0;
        events_.push_back(event);
    }
    changed_.notify_one();
}

void CallbackQueue::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_one();
}

void CallbackQueue::cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        events_.clear();
        records_ = 0;
    }
    changed_.notify_one();
}

bool CallbackQueue::take(LinkEvent& event)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return cancelled_ || closed_ || !events_.empty(); });
    if (cancelled_ || events_.empty()) {
        return false;
    }
    event = events_.front();
    events_.pop_front();
    records_ -= isRecord(event) ? 1 : 0;
    return true;
}

} // namespace drummel
