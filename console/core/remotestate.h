// Follows the wireless remote's state record by record on the GUI thread:
// the caption and lamp show whether the remote is connected, and the
// crawler's outputs are reset each time the remote gives control back.
#pragma once

#include <cstdint>

class DisplayPanle;

class RemoteStateTracker {
public:
    struct Change {
        bool showChanged = false; // caption and lamp need updating
        bool connected = false;   // what they should show
        bool resetControl = false;
    };

    Change update(uint8_t nrfStatus);
    uint8_t previous() const { return m_previous; }

private:
    uint8_t m_previous = 0; // the panel starts showing "not connected"
};

// Caption "已连接" with a green lamp, or "未连接" with a red one.
void showRemoteState(DisplayPanle& panel, bool connected);
