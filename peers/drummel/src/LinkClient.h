#pragma once

#include <atomic>
#include <bitset>
#include <memory>
#include <mutex>
#include <thread>

#include "CallbackQueue.h"
#include "ISocketSystemHead.h"
#include "linkproto/Codec.h"
#include "linkproto/UniqueFd.h"

namespace drummel {

using linkproto::UniqueFd;

// The console's end of the robot link: a TCP client speaking the framed
// protocol. Per connection a receive thread reads, judges silence and sends
// the heartbeats, and a callback thread runs the host's callbacks, so a
// host that takes its time never stalls the link.
class LinkClient final : public ISocketSystemHead {
public:
    explicit LinkClient(ISocketSystemHeadMsg* msg);
    LinkClient(const LinkClient&) = delete;
    LinkClient& operator=(const LinkClient&) = delete;
    ~LinkClient();

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
    // One TCP connection. Its threads hold their own references, so the
    // socket outlives a Disconnect called from inside a callback.
    struct Connection {
        explicit Connection(UniqueFd socket) : fd(std::move(socket)) {}
        UniqueFd fd;
        bool up = true;   // guarded by mutex_
        uint16_t seq = 0; // guarded by mutex_
        std::atomic<bool> stopped{false};
        CallbackQueue callbacks;
    };

    int sendCommand(linkproto::MsgType type, linkproto::CommandValues values = {});
    // Caller holds mutex_.
    bool sendLocked(Connection& connection, linkproto::MsgType type,
                    linkproto::CommandValues values);
    bool sendHeartbeat(Connection& connection);
    void receive(std::shared_ptr<Connection> connection);
    void deliver(std::shared_ptr<Connection> connection);
    static void queue(Connection& connection, const linkproto::Frame& frame);
    void reportVersion(uint8_t version);
    void drop(Connection& connection);
    // Joins a link thread that is not the caller.
    void reap(std::thread& thread);

    ISocketSystemHeadMsg* const msg_;
    std::mutex mutex_; // connection_, the threads, reported_ and every socket write
    std::shared_ptr<Connection> connection_;
    std::thread receiver_;
    std::thread deliverer_;
    std::thread finished_;      // a callback thread that asked for its own Disconnect
    std::bitset<256> reported_; // other protocol versions already logged
    std::atomic<int> rxFrames_{0};
    std::atomic<int> rxErrors_{0};
};

} // namespace drummel
