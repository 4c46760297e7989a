#include "LinkClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>

#include "linkproto/FrameDecoder.h"
#include "linkproto/TcpSocket.h"

namespace drummel {
namespace {

using Clock = std::chrono::steady_clock;
using linkproto::MsgType;
using std::chrono::milliseconds;

// Leaves margin under the 800 ms the start-up loop allows for one attempt.
constexpr milliseconds kConnectTimeout{700};
// A full socket buffer means a dead peer; the GUI thread never waits longer.
constexpr milliseconds kSendTimeout{100};
constexpr milliseconds kHeartbeatInterval{250};
constexpr milliseconds kSilenceLimit{1500};
constexpr size_t kReadChunk = 4096;
constexpr char kReceiveThreadName[] = "drummel-rx";
constexpr char kCallbackThreadName[] = "drummel-cb";

int pollTimeout(Clock::time_point now, Clock::time_point until)
{
    const auto ms = std::chrono::duration_cast<milliseconds>(until - now).count();
    return ms > 0 ? static_cast<int>(ms) + 1 : 0;
}

} // namespace

LinkClient::LinkClient(ISocketSystemHeadMsg* msg) : msg_(msg)
{
}

LinkClient::~LinkClient()
{
    Disconnect();
}

int LinkClient::GetProtocolVersion()
{
    return linkproto::kVersion;
}

int LinkClient::Connect(const char* address, int port)
{
    Disconnect();
    rxFrames_ = 0;
    rxErrors_ = 0;
    UniqueFd fd = linkproto::connectTcp(address, port, kConnectTimeout);
    if (!fd) {
        return -1;
    }
    auto connection = std::make_shared<Connection>(std::move(fd));
    std::lock_guard<std::mutex> lock(mutex_);
    connection_ = std::move(connection);
    return 0;
}

int LinkClient::Disconnect()
{
    std::shared_ptr<Connection> connection;
    std::thread receiver;
    std::thread deliverer;
    std::thread finished;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        connection = std::move(connection_);
        receiver = std::move(receiver_);
        deliverer = std::move(deliverer_);
        finished = std::move(finished_);
        // A callback thread disconnecting its own link stays in finished_
        // throughout, under this lock: a Disconnect from another thread
        // always finds it and waits for the rest of its callback.
        for (std::thread* thread : {&receiver, &deliverer, &finished}) {
            if (thread->get_id() == std::this_thread::get_id()) {
                finished_ = std::move(*thread);
            }
        }
        if (connection) {
            connection->up = false;
            connection->stopped = true;
            connection->callbacks.cancel();
            // Wakes the receive thread; the descriptor closes with the last reference.
            ::shutdown(connection->fd.get(), SHUT_RDWR);
        }
    }
    reap(finished);
    reap(receiver);
    reap(deliverer);
    return 0;
}

void LinkClient::reap(std::thread& thread)
{
    if (thread.joinable()) {
        thread.join();
    }
}

int LinkClient::Start()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connection_ || !connection_->up) {
        return -1;
    }
    if (!receiver_.joinable()) {
        receiver_ = std::thread(&LinkClient::receive, this, connection_);
        deliverer_ = std::thread(&LinkClient::deliver, this, connection_);
    }
    return 0;
}

int LinkClient::IsConnected()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return connection_ && connection_->up ? 1 : 0;
}

int LinkClient::GetRxFrameCount()
{
    return rxFrames_;
}

int LinkClient::GetRxErrorCount()
{
    return rxErrors_;
}

bool LinkClient::sendLocked(Connection& connection, MsgType type, linkproto::CommandValues values)
{
    if (!connection.up) {
        return false;
    }
    linkproto::FrameBuffer frame;
    const size_t size = linkproto::encodeCommand(type, values, connection.seq++, frame);
    if (linkproto::sendAll(connection.fd.get(), frame.data(), size, kSendTimeout)) {
        return true;
    }
    // A partial frame may be on the wire: the stream is unusable. The
    // receive thread sees the shutdown and reports the drop.
    ::shutdown(connection.fd.get(), SHUT_RDWR);
    return false;
}

int LinkClient::sendCommand(MsgType type, linkproto::CommandValues values)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!connection_) {
        return -1;
    }
    return sendLocked(*connection_, type, values) ? 0 : -1;
}

bool LinkClient::sendHeartbeat(Connection& connection)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return sendLocked(connection, MsgType::Heartbeat, {});
}

void LinkClient::drop(Connection& connection)
{
    bool announce = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        announce = connection.up && !connection.stopped;
        connection.up = false;
        ::shutdown(connection.fd.get(), SHUT_RDWR);
    }
    if (announce) {
        connection.callbacks.post({LinkEvent::Kind::Down});
    }
    connection.callbacks.close();
}

void LinkClient::queue(Connection& connection, const linkproto::Frame& frame)
{
    LinkEvent event;
    switch (frame.type) {
    case MsgType::Status:
        event.kind = LinkEvent::Kind::Status;
        event.status = linkproto::decodeRecord<LinkStatusRecord>(frame);
        break;
    case MsgType::ControlEcho:
        event.kind = LinkEvent::Kind::Control;
        event.control = linkproto::decodeRecord<LinkControlRecord>(frame);
        break;
    default: // heartbeats only keep the link alive; other types are not for us
        return;
    }
    connection.callbacks.post(event);
}

void LinkClient::reportVersion(uint8_t version)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (reported_.test(version)) {
            return;
        }
        reported_.set(version);
    }
    std::fprintf(stderr, "[Drummel] crawler speaks link protocol version %d\n", version);
}

void LinkClient::receive(std::shared_ptr<Connection> connection)
{
    ::pthread_setname_np(::pthread_self(), kReceiveThreadName);
    const int fd = connection->fd.get();
    connection->callbacks.post({LinkEvent::Kind::Up});

    linkproto::FrameDecoder decoder;
    linkproto::Frame frame;
    uint8_t chunk[kReadChunk];
    uint64_t countedErrors = 0;
    uint64_t countedForeign = 0;
    // Silence is judged on when intact frames arrived; no callback runs
    // on this thread, so nothing the host does delays a read or a heartbeat.
    auto lastIntact = Clock::now();
    auto nextHeartbeat = lastIntact;
    // Counters are current before each callback, so a callback sees them.
    const auto count = [&] {
        rxErrors_ += static_cast<int>(decoder.errorCount() - countedErrors +
                                      decoder.foreignCount() - countedForeign);
        countedErrors = decoder.errorCount();
        if (decoder.foreignCount() != countedForeign) {
            countedForeign = decoder.foreignCount();
            reportVersion(decoder.foreignVersion());
        }
    };
    while (!connection->stopped) {
        auto now = Clock::now();
        if (now >= lastIntact + kSilenceLimit) {
            break;
        }
        if (now >= nextHeartbeat) {
            if (!sendHeartbeat(*connection)) {
                break;
            }
            nextHeartbeat = now + kHeartbeatInterval;
        }
        const auto until =
            std::min({nextHeartbeat, lastIntact + kSilenceLimit, decoder.partialDeadline()});
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, pollTimeout(now, until));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        now = Clock::now();
        if (ready > 0) {
            const ssize_t n = ::recv(fd, chunk, sizeof(chunk), MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
                break;
            }
            if (n > 0) {
                decoder.push(chunk, static_cast<size_t>(n), now);
            }
        }
        // Also after a timeout: a partial frame may have run out of time.
        while (!connection->stopped && decoder.pop(frame, now)) {
            lastIntact = now;
            count();
            ++rxFrames_;
            queue(*connection, frame);
        }
        count();
    }
    drop(*connection);
}

void LinkClient::deliver(std::shared_ptr<Connection> connection)
{
    ::pthread_setname_np(::pthread_self(), kCallbackThreadName);
    LinkEvent event;
    while (connection->callbacks.take(event) && !connection->stopped) {
        switch (event.kind) {
        case LinkEvent::Kind::Up:
            msg_->OnLinkState("1");
            break;
        case LinkEvent::Kind::Down:
            msg_->OnLinkState("0");
            break;
        case LinkEvent::Kind::Status:
            msg_->OnStatusData(&event.status);
            break;
        case LinkEvent::Kind::Control:
            msg_->OnControlData(&event.control);
            break;
        }
    }
}

int LinkClient::ResetControl()
{
    return sendCommand(MsgType::ResetControl);
}

int LinkClient::SetKeySafe(uint8_t value)
{
    return sendCommand(MsgType::SetKeySafe, {value});
}

int LinkClient::SetCarDirect(uint8_t value)
{
    return sendCommand(MsgType::SetCarDirect, {value});
}

int LinkClient::SetCarPwm0(uint16_t value)
{
    return sendCommand(MsgType::SetCarPwm0, {value});
}

int LinkClient::SetCarPwm1(uint16_t value)
{
    return sendCommand(MsgType::SetCarPwm1, {value});
}

int LinkClient::SetCarPwm(uint16_t first, uint16_t second)
{
    return sendCommand(MsgType::SetCarPwm, {first, second});
}

int LinkClient::SetArmPwm(uint16_t value)
{
    return sendCommand(MsgType::SetArmPwm, {value});
}

int LinkClient::SetBackLed(uint8_t value)
{
    return sendCommand(MsgType::SetBackLed, {value});
}

int LinkClient::SetPhoPwm1(uint16_t value)
{
    return sendCommand(MsgType::SetPhoPwm1, {value});
}

int LinkClient::SetPhoPwm0(uint16_t value)
{
    return sendCommand(MsgType::SetPhoPwm0, {value});
}

int LinkClient::SetPhoCenter(int value)
{
    return sendCommand(MsgType::SetPhoCenter, {value});
}

int LinkClient::SetPhoBorS(uint8_t value)
{
    return sendCommand(MsgType::SetPhoBorS, {value});
}

int LinkClient::SetPhoForN(uint8_t value)
{
    return sendCommand(MsgType::SetPhoForN, {value});
}

int LinkClient::SetPhoReset(uint8_t value)
{
    return sendCommand(MsgType::SetPhoReset, {value});
}

int LinkClient::SetLampPwm(uint16_t value)
{
    return sendCommand(MsgType::SetLampPwm, {value});
}

int LinkClient::SetPhoDisHum(uint8_t value)
{
    return sendCommand(MsgType::SetPhoDisHum, {value});
}

int LinkClient::SetAutoWir(uint8_t value)
{
    return sendCommand(MsgType::SetAutoWir, {value});
}

int LinkClient::SetDisMeasure(uint8_t value)
{
    return sendCommand(MsgType::SetDisMeasure, {value});
}

} // namespace drummel
