// A link system that records each call as "<Operation>[ <value>...]", the way the
// simulator prints the commands it receives.
#pragma once

#include <QStringList>

#include "ISocketSystemHead.h"

class RecordingLink final : public ISocketSystemHead {
public:
    QStringList calls;
    ISocketSystemHeadMsg* msg = nullptr;

    int GetProtocolVersion() override { return Record("GetProtocolVersion"); }
    int Connect(const char* address, int port) override
    {
        calls << QStringLiteral("Connect %1 %2").arg(QString::fromUtf8(address)).arg(port);
        return 0;
    }
    int Disconnect() override { return Record("Disconnect"); }
    int Start() override { return Record("Start"); }
    int IsConnected() override
    {
        Record("IsConnected");
        return 1;
    }
    int GetRxFrameCount() override { return Record("GetRxFrameCount"); }
    int GetRxErrorCount() override { return Record("GetRxErrorCount"); }
    int ResetControl() override { return Record("ResetControl"); }
    int SetKeySafe(uint8_t value) override { return Record("SetKeySafe", value); }
    int SetCarDirect(uint8_t value) override { return Record("SetCarDirect", value); }
    int SetCarPwm0(uint16_t value) override { return Record("SetCarPwm0", value); }
    int SetCarPwm1(uint16_t value) override { return Record("SetCarPwm1", value); }
    int SetCarPwm(uint16_t first, uint16_t second) override
    {
        calls << QStringLiteral("SetCarPwm %1 %2").arg(first).arg(second);
        return 0;
    }
    int SetArmPwm(uint16_t value) override { return Record("SetArmPwm", value); }
    int SetBackLed(uint8_t value) override { return Record("SetBackLed", value); }
    int SetPhoPwm1(uint16_t value) override { return Record("SetPhoPwm1", value); }
    int SetPhoPwm0(uint16_t value) override { return Record("SetPhoPwm0", value); }
    int SetPhoCenter(int value) override { return Record("SetPhoCenter", value); }
    int SetPhoBorS(uint8_t value) override { return Record("SetPhoBorS", value); }
    int SetPhoForN(uint8_t value) override { return Record("SetPhoForN", value); }
    int SetPhoReset(uint8_t value) override { return Record("SetPhoReset", value); }
    int SetLampPwm(uint16_t value) override { return Record("SetLampPwm", value); }
    int SetPhoDisHum(uint8_t value) override { return Record("SetPhoDisHum", value); }
    int SetAutoWir(uint8_t value) override { return Record("SetAutoWir", value); }
    int SetDisMeasure(uint8_t value) override { return Record("SetDisMeasure", value); }

private:
    int Record(const char* operation)
    {
        calls << QString::fromLatin1(operation);
        return 0;
    }
    int Record(const char* operation, long long value)
    {
        calls << QStringLiteral("%1 %2").arg(QString::fromLatin1(operation)).arg(value);
        return 0;
    }
};
