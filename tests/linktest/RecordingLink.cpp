#include "RecordingLink.h"

int RecordingLink::Record(const char* operation)
{
    calls << QString::fromLatin1(operation);
    return 0;
}

int RecordingLink::Record(const char* operation, long long value)
{
    calls << QStringLiteral("%1 %2").arg(QString::fromLatin1(operation)).arg(value);
    return 0;
}

int RecordingLink::GetProtocolVersion()
{
    return Record("GetProtocolVersion");
}

int RecordingLink::Connect(const char* address, int port)
{
    calls << QStringLiteral("Connect %1 %2").arg(QString::fromUtf8(address)).arg(port);
    return 0;
}

int RecordingLink::Disconnect()
{
    return Record("Disconnect");
}

int RecordingLink::Start()
{
    return Record("Start");
}

int RecordingLink::IsConnected()
{
    Record("IsConnected");
    return 1;
}

int RecordingLink::GetRxFrameCount()
{
    return Record("GetRxFrameCount");
}

int RecordingLink::GetRxErrorCount()
{
    return Record("GetRxErrorCount");
}

int RecordingLink::ResetControl()
{
    return Record("ResetControl");
}

int RecordingLink::SetKeySafe(uint8_t value)
{
    return Record("SetKeySafe", value);
}

int RecordingLink::SetCarDirect(uint8_t value)
{
    return Record("SetCarDirect", value);
}

int RecordingLink::SetCarPwm0(uint16_t value)
{
    return Record("SetCarPwm0", value);
}

int RecordingLink::SetCarPwm1(uint16_t value)
{
    return Record("SetCarPwm1", value);
}

int RecordingLink::SetCarPwm(uint16_t first, uint16_t second)
{
    calls << QStringLiteral("SetCarPwm %1 %2").arg(first).arg(second);
    return 0;
}

int RecordingLink::SetArmPwm(uint16_t value)
{
    return Record("SetArmPwm", value);
}

int RecordingLink::SetBackLed(uint8_t value)
{
    return Record("SetBackLed", value);
}

int RecordingLink::SetPhoPwm1(uint16_t value)
{
    return Record("SetPhoPwm1", value);
}

int RecordingLink::SetPhoPwm0(uint16_t value)
{
    return Record("SetPhoPwm0", value);
}

int RecordingLink::SetPhoCenter(int value)
{
    return Record("SetPhoCenter", value);
}

int RecordingLink::SetPhoBorS(uint8_t value)
{
    return Record("SetPhoBorS", value);
}

int RecordingLink::SetPhoForN(uint8_t value)
{
    return Record("SetPhoForN", value);
}

int RecordingLink::SetPhoReset(uint8_t value)
{
    return Record("SetPhoReset", value);
}

int RecordingLink::SetLampPwm(uint16_t value)
{
    return Record("SetLampPwm", value);
}

int RecordingLink::SetPhoDisHum(uint8_t value)
{
    return Record("SetPhoDisHum", value);
}

int RecordingLink::SetAutoWir(uint8_t value)
{
    return Record("SetAutoWir", value);
}

int RecordingLink::SetDisMeasure(uint8_t value)
{
    return Record("SetDisMeasure", value);
}
