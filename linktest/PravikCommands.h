// The link operations the tool's buttons drive, and the buttons themselves.
#pragma once

#include <cstdint>
#include <vector>

class ISocketSystemHead;

enum class LinkOperation {
    KeySafe,
    CarDirect,
    CarPwm0,
    CarPwm1,
    ArmPwm,
    BackLed,
    PhoPwm0,
    PhoPwm1,
    PhoCenter,
    PhoBorS,
    PhoForN,
    LampPwm,
    PhoDisHum,
    AutoWir,
    DisMeasure,
};

// One button: its control id (object name "id<id>"), caption and the value it sends.
struct CommandButton {
    int id;
    const char* caption;
    LinkOperation operation;
    uint16_t value;
};

// Calls the operation with the value in the operation's own parameter type.
void SendCommand(ISocketSystemHead& link, LinkOperation operation, uint16_t value);

// A button of the camera group with its place in the group's grid.
struct CameraButton {
    CommandButton command;
    int row;
    int column;
};

const std::vector<CameraButton>& CameraButtons();
