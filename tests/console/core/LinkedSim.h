// crawler-sim on 127.0.0.1 with the real link library connected to it, and
// the commands the simulator received read back batch by batch.
#pragma once

#include "GuiWait.h"

#include "ISocketSystemHead.h"
#include "SimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace coretest {

constexpr std::chrono::seconds kWait{20};
using guiwait::kPollMs;

using guiwait::waitUntil;

class LinkedSim : public ISocketSystemHeadMsg {
public:
    LinkedSim() : link(CreateISocketSystemHead(this)) {}
    LinkedSim(const LinkedSim&) = delete;
    LinkedSim& operator=(const LinkedSim&) = delete;
    ~LinkedSim() override { link->Disconnect(); }

    // Starts the simulator (always verbose) and opens the link to it.
    bool open(std::vector<std::string> options = {})
    {
        options.emplace_back("-v");
        if (!sim.start(options))
            return false;
        link->Connect("127.0.0.1", sim.port());
        if (link->IsConnected() == 0)
            return false;
        link->Start();
        return true;
    }

    // The commands received since the last call, in order, as "Operation values".
    // A marker command sent last tells when the simulator has seen them all.
    std::vector<std::string> takeCommands()
    {
        m_marker = (m_marker + 1) % kMarkerValues;
        const std::string marker = "cmd SetCarDirect " + std::to_string(m_marker);
        link->SetCarDirect(static_cast<uint8_t>(m_marker));
        const int at = sim.waitForLine(marker, kWait, m_from);
        std::vector<std::string> commands;
        if (at < 0) {
            commands.emplace_back("<no marker>");
            return commands;
        }
        const std::vector<std::string> lines = sim.lines();
        for (size_t i = m_from; i < static_cast<size_t>(at); ++i) {
            if (lines[i].rfind(kCommandPrefix, 0) == 0)
                commands.push_back(lines[i].substr(sizeof kCommandPrefix - 1));
        }
        m_from = static_cast<size_t>(at) + 1;
        return commands;
    }

    int OnLinkState(const char* state) override
    {
        if (onLinkState)
            onLinkState(state);
        return 0;
    }
    int OnStatusData(const LinkStatusRecord* record) override
    {
        ++statusRecords;
        if (onStatus)
            onStatus(record);
        return 0;
    }
    int OnControlData(const LinkControlRecord*) override { return 0; }

    // Set before open(); they run on the link library's thread.
    std::function<void(const char*)> onLinkState;
    std::function<void(const LinkStatusRecord*)> onStatus;
    std::atomic<int> statusRecords{0};

    simtest::SimProcess sim;
    ISocketSystemHead* const link; // never deleted: the library has no delete entry

private:
    static constexpr int kMarkerValues = 256;
    static constexpr char kCommandPrefix[] = "cmd ";
    int m_marker = 0;
    size_t m_from = 0;
};

} // namespace coretest
