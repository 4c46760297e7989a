// The time code of the test camera (rtsp_camera.py --timecode) read back off
// an X display: an orange plate of 35 x 3 cells, half a cell of border
// around two rows of 34; columns 0 and 1 a guard (row 0 white, black; row 1
// black, white), columns 2 to 33 the wall-clock milliseconds modulo 2^32,
// bit 31 first, white for 1 in row 0 and inverted in row 1. Whatever a
// program does to the picture (crop, scale, stretch), the plate keeps that
// layout on screen.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

typedef struct _XDisplay Display;

class ScreenCode {
public:
    explicit ScreenCode(const QString& display);
    ~ScreenCode();
    ScreenCode(const ScreenCode&) = delete;
    ScreenCode& operator=(const ScreenCode&) = delete;

    bool connected() const { return m_display != nullptr; }
    // Looks for the plate on the whole screen and keeps where it is; true
    // when a plate is there and reads.
    bool locate();
    // The milliseconds the plate shows now; none when it does not read
    // (a picture half painted, no plate).
    std::optional<uint32_t> read();

private:
    struct Area {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    Display* m_display = nullptr;
    Area m_plate;
};

// Milliseconds since the epoch modulo 2^32, as the time code counts them.
uint32_t wallClockMillis();
