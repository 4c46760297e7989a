// Robot link: commands to the crawler, status back. The host creates the
// link system once with its callback interface; the object lives until
// the process ends (there is no delete entry).
#pragma once

#include <cstdint>

#include "LinkRecords.h"

// Implemented by the host. Callbacks arrive one at a time, in the order the
// link saw them, on the link library's callback thread: first
// OnLinkState("1"), then the records, then at most one OnLinkState("0").
//
// In a callback the host may call any command, IsConnected and the
// counters, and Disconnect (no further callback of that connection
// follows; its threads end once the callback returns and are joined by the
// next Connect or Disconnect). It may take as long as it needs: reading,
// heartbeats and the silence limit run on a thread of their own, so a slow
// callback delays the callbacks behind it, never the link. Those wait in
// order; should more than 512 records wait, the oldest are dropped. A
// callback must not wait for another thread that is inside Disconnect,
// which waits for the callback to return.
class ISocketSystemHeadMsg {
public:
    virtual ~ISocketSystemHeadMsg() = default;
    // state[0] == '1': link up; anything else: link down.
    virtual int OnLinkState(const char* state) = 0;
    virtual int OnStatusData(const LinkStatusRecord* record) = 0;
    virtual int OnControlData(const LinkControlRecord* record) = 0;
};

class ISocketSystemHead {
public:
    // Wire protocol version this library speaks.
    virtual int GetProtocolVersion() = 0;
    // Blocks at most 800 ms; check IsConnected afterwards.
    virtual int Connect(const char* address, int port) = 0;
    virtual int Disconnect() = 0;
    // Starts the receive thread; callbacks follow.
    virtual int Start() = 0;
    virtual int IsConnected() = 0;
    // Frames received intact (of any type of this protocol version), and
    // stretches of input dropped as corrupt plus frames of another
    // protocol version, since Connect.
    virtual int GetRxFrameCount() = 0;
    virtual int GetRxErrorCount() = 0;

    // Commands. While the link is closed they are dropped at once.
    // Servo values: 1500 neutral; switches: 255 on, 0 off.
    virtual int ResetControl() = 0;
    virtual int SetKeySafe(uint8_t value) = 0;
    virtual int SetCarDirect(uint8_t value) = 0;
    virtual int SetCarPwm0(uint16_t value) = 0;
    virtual int SetCarPwm1(uint16_t value) = 0;
    virtual int SetCarPwm(uint16_t first, uint16_t second) = 0;
    virtual int SetArmPwm(uint16_t value) = 0;
    virtual int SetBackLed(uint8_t value) = 0;
    virtual int SetPhoPwm1(uint16_t value) = 0;
    virtual int SetPhoPwm0(uint16_t value) = 0;
    virtual int SetPhoCenter(int value) = 0;
    virtual int SetPhoBorS(uint8_t value) = 0;
    virtual int SetPhoForN(uint8_t value) = 0;
    virtual int SetPhoReset(uint8_t value) = 0;
    virtual int SetLampPwm(uint16_t value) = 0;
    virtual int SetPhoDisHum(uint8_t value) = 0;
    virtual int SetAutoWir(uint8_t value) = 0;
    virtual int SetDisMeasure(uint8_t value) = 0;

protected:
    ~ISocketSystemHead() = default; // never deleted through the interface
};

extern "C" __attribute__((visibility("default"))) ISocketSystemHead*
CreateISocketSystemHead(ISocketSystemHeadMsg* msg);
