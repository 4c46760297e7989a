// A link system that records each call as "<Operation>[ <value>...]", the way the
// simulator prints the commands it receives.
#pragma once

#include <QStringList>

#include "ISocketSystemHead.h"

class RecordingLink final : public ISocketSystemHead {
public:
    QStringList calls;
    ISocketSystemHeadMsg* msg = nullptr;

    int GetProtocolVersion() override;
    int Connect(const char* address, int port) override;
    int Disconnect() override;
    int Start() override;
    int IsConnected() override;
    int GetRxFrameCount() override;
    int GetRxErrorCount() override;
    int ResetControl() override;
    int SetKeySafe(uint8_t value) override;
    int SetCarDirect(uint8_t value) override;
    int SetCarPwm0(uint16_t value) override;
    int SetCarPwm1(uint16_t value) override;
    int SetCarPwm(uint16_t first, uint16_t second) override;
    int SetArmPwm(uint16_t value) override;
    int SetBackLed(uint8_t value) override;
    int SetPhoPwm1(uint16_t value) override;
    int SetPhoPwm0(uint16_t value) override;
    int SetPhoCenter(int value) override;
    int SetPhoBorS(uint8_t value) override;
    int SetPhoForN(uint8_t value) override;
    int SetPhoReset(uint8_t value) override;
    int SetLampPwm(uint16_t value) override;
    int SetPhoDisHum(uint8_t value) override;
    int SetAutoWir(uint8_t value) override;
    int SetDisMeasure(uint8_t value) override;

private:
    int Record(const char* operation);
    int Record(const char* operation, long long value);
};
