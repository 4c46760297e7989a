#include "PravikCommands.h"

#include <QtGlobal>

#include "ISocketSystemHead.h"

void SendCommand(ISocketSystemHead& link, LinkOperation operation, uint16_t value)
{
    // Switch and byte operations only ever get values up to 255 from the button tables.
    const auto byte = static_cast<uint8_t>(value);
    switch (operation) {
    case LinkOperation::KeySafe:
        link.SetKeySafe(byte);
        break;
    case LinkOperation::CarDirect:
        link.SetCarDirect(byte);
        break;
    case LinkOperation::CarPwm0:
        link.SetCarPwm0(value);
        break;
    case LinkOperation::CarPwm1:
        link.SetCarPwm1(value);
        break;
    case LinkOperation::ArmPwm:
        link.SetArmPwm(value);
        break;
    case LinkOperation::BackLed:
        link.SetBackLed(byte);
        break;
    case LinkOperation::PhoPwm0:
        link.SetPhoPwm0(value);
        break;
    case LinkOperation::PhoPwm1:
        link.SetPhoPwm1(value);
        break;
    case LinkOperation::PhoCenter:
        link.SetPhoCenter(value);
        break;
    case LinkOperation::PhoBorS:
        link.SetPhoBorS(byte);
        break;
    case LinkOperation::PhoForN:
        link.SetPhoForN(byte);
        break;
    case LinkOperation::LampPwm:
        link.SetLampPwm(value);
        break;
    case LinkOperation::PhoDisHum:
        link.SetPhoDisHum(byte);
        break;
    case LinkOperation::AutoWir:
        link.SetAutoWir(byte);
        break;
    case LinkOperation::DisMeasure:
        link.SetDisMeasure(byte);
        break;
    }
}

const std::vector<CameraButton>& CameraButtons()
{
    // Tilt (channel 0) with its reset on the left, pan (channel 1) with its reset on the
    // right, centring between them.
    static const std::vector<CameraButton> buttons = {
        {{1088, QT_TRANSLATE_NOOP("CPravikDlg", "向上"), LinkOperation::PhoPwm0, 500}, 0, 0},
        {{1093, QT_TRANSLATE_NOOP("CPravikDlg", "重置"), LinkOperation::PhoPwm0, 1500}, 0, 1},
        {{1086, QT_TRANSLATE_NOOP("CPravikDlg", "向左"), LinkOperation::PhoPwm1, 500}, 0, 2},
        {{1092, QT_TRANSLATE_NOOP("CPravikDlg", "重置"), LinkOperation::PhoPwm1, 1500}, 0, 3},
        {{1089, QT_TRANSLATE_NOOP("CPravikDlg", "向下"), LinkOperation::PhoPwm0, 2000}, 1, 0},
        {{1090, QT_TRANSLATE_NOOP("CPravikDlg", "居中"), LinkOperation::PhoCenter, 0}, 1, 1},
        {{1087, QT_TRANSLATE_NOOP("CPravikDlg", "向右"), LinkOperation::PhoPwm1, 2000}, 1, 2},
    };
    return buttons;
}
