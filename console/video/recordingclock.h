// The clock recordings run on: monotonic, so a change of the wall clock never
// bends a recording's time. Frames carry their arrival on it; a recording's
// time is that arrival minus the recording's start.
#pragma once

#include <chrono>

using RecordingClock = std::chrono::steady_clock;
