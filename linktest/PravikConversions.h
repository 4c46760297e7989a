// How the tool turns the crawler's raw status values into the numbers it shows.
#pragma once

#include <cstdint>

// Camera head channel 0: degrees either side of its 1500 neutral.
int16_t ConvertPwm0(uint16_t raw);
// Camera head channel 1: degrees either side of its 1533 neutral.
int16_t ConvertPwm1(uint16_t raw);
// Lift position index to the arm height in metres; an index past the table shows 0.
float ConvertArmDistance(uint16_t index);
// Paid-out cable, centimetres to metres.
float ConvertWirLength(uint32_t centimetres);
