// Collects what the link library reports, for tests to wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ISocketSystemHead.h"

namespace linktest {

constexpr std::chrono::seconds kWait{10};

class RecordingLinkMsg : public ISocketSystemHeadMsg {
public:
    int OnLinkState(const char* state) override;
    int OnStatusData(const LinkStatusRecord* record) override;
    int OnControlData(const LinkControlRecord* record) override;

    // Runs inside OnLinkState after the state is recorded (e.g. to call Disconnect).
    void setOnLinkState(std::function<void(bool up)> hook);
    // Runs inside OnStatusData after the record is stored.
    void setOnStatus(std::function<void(const LinkStatusRecord&)> hook);

    std::vector<bool> states() const;
    std::vector<LinkStatusRecord> statuses() const;
    std::vector<LinkControlRecord> controls() const;

    bool waitForStates(size_t count, std::chrono::milliseconds timeout = kWait) const;
    bool waitForStatuses(size_t count, std::chrono::milliseconds timeout = kWait) const;
    bool waitForControls(size_t count, std::chrono::milliseconds timeout = kWait) const;

private:
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::function<void(bool)> hook_;
    std::function<void(const LinkStatusRecord&)> statusHook_;
    std::vector<bool> states_;
    std::vector<LinkStatusRecord> statuses_;
    std::vector<LinkControlRecord> controls_;
};

} // namespace linktest
