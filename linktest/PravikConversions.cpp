#include "PravikConversions.h"

#include <array>

namespace {

constexpr int kPwm0Neutral = 1500;
constexpr double kPwm0Scale = 0.09;
constexpr int kPwm1Neutral = 1533;
constexpr double kPwm1Scale = 0.18;
constexpr double kCentimetresPerMetre = 100.0;

// Arm height in metres for lift position indexes 0 to 7.
constexpr std::array<float, 8> kArmTable = {0.8f, 1.15f, 1.3f, 1.6f, 1.8f, 2.2f, 2.3f, 2.4f};

// The raw range 0..65535 keeps both scaled results well inside 16 bits, so the
// narrowing below never wraps; the cast truncates toward zero.
int16_t ScaleFromNeutral(uint16_t raw, int neutral, double scale)
{
    return static_cast<int16_t>((static_cast<int>(raw) - neutral) * scale);
}

} // namespace

int16_t ConvertPwm0(uint16_t raw)
{
    return ScaleFromNeutral(raw, kPwm0Neutral, kPwm0Scale);
}

int16_t ConvertPwm1(uint16_t raw)
{
    return ScaleFromNeutral(raw, kPwm1Neutral, kPwm1Scale);
}

float ConvertArmDistance(uint16_t index)
{
    return index < kArmTable.size() ? kArmTable[index] : 0.0f;
}

float ConvertWirLength(uint32_t centimetres)
{
    return static_cast<float>(centimetres / kCentimetresPerMetre);
}
