#include "RecordingLinkMsg.h"

namespace linktest {

int RecordingLinkMsg::OnLinkState(const char* state)
{
    const bool up = state != nullptr && state[0] == '1';
    std::function<void(bool)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        states_.push_back(up);
        hook = hook_;
    }
    if (hook) {
        hook(up);
    }
    changed_.notify_all();
    return 0;
}

int RecordingLinkMsg::OnStatusData(const LinkStatusRecord* record)
{
    std::function<void(const LinkStatusRecord&)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back(*record);
        hook = statusHook_;
    }
    if (hook) {
        hook(*record);
    }
    changed_.notify_all();
    return 0;
}

int RecordingLinkMsg::OnControlData(const LinkControlRecord* record)
{
    std::lock_guard<std::mutex> lock(mutex_);
    controls_.push_back(*record);
    changed_.notify_all();
    return 0;
}

void RecordingLinkMsg::setOnLinkState(std::function<void(bool)> hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

void RecordingLinkMsg::setOnStatus(std::function<void(const LinkStatusRecord&)> hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    statusHook_ = std::move(hook);
}

std::vector<bool> RecordingLinkMsg::states() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return states_;
}

std::vector<LinkStatusRecord> RecordingLinkMsg::statuses() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return statuses_;
}

std::vector<LinkControlRecord> RecordingLinkMsg::controls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return controls_;
}

bool RecordingLinkMsg::waitFor(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, done);
}

bool RecordingLinkMsg::waitForStates(size_t count, std::chrono::milliseconds timeout) const
{
    return waitFor([&] { return states_.size() >= count; }, timeout);
}

bool RecordingLinkMsg::waitForStatuses(size_t count, std::chrono::milliseconds timeout) const
{
    return waitFor([&] { return statuses_.size() >= count; }, timeout);
}

bool RecordingLinkMsg::waitForControls(size_t count, std::chrono::milliseconds timeout) const
{
    return waitFor([&] { return controls_.size() >= count; }, timeout);
}

} // namespace linktest
