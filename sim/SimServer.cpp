#include "SimServer.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include "linkproto/Codec.h"
#include "linkproto/TcpSocket.h"

namespace crawlersim {
namespace {

using std::chrono::duration;
using std::chrono::milliseconds;

constexpr milliseconds kSilenceLimit{1000};
constexpr milliseconds kHeartbeatInterval{250};
constexpr milliseconds kSendTimeout{200};
constexpr milliseconds kMaxPollWait{20};
constexpr int kBacklog = 4;
constexpr size_t kReadChunk = 4096;
constexpr size_t kMaxGarbage = 24;
constexpr size_t kTruncateEvery = 7; // one status frame in this many is cut short
constexpr uint32_t kModelSeed = 20108;

duration<double> seconds(double value)
{
    return duration<double>(value);
}

} // namespace

SimServer::SimServer(const SimOptions& options, std::FILE* out)
    : options_(options), out_(out), model_(kModelSeed), random_(std::random_device{}())
{
    lastFrame_ = Clock::now();
}

void SimServer::say(const std::string& line)
{
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

bool SimServer::listen()
{
    listener_ = linkproto::listenTcp(options_.host.c_str(), options_.port, kBacklog);
    if (!listener_) {
        return false;
    }
    say("crawler-sim listening on " + options_.host + ":" +
        std::to_string(linkproto::localPort(listener_.get())));
    return true;
}

void SimServer::accept(Clock::time_point now)
{
    linkproto::UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd) {
        return;
    }
    // A newer console replaces one that may have vanished without closing.
    closeClient(now);
    client_ = std::move(fd);
    decoder_ = linkproto::FrameDecoder();
    acceptedAt_ = now;
    lastFrame_ = now;
    nextStatus_ = now;
    nextHeartbeat_ = now;
    if (options_.verbose) {
        say("client connected");
    }
}

void SimServer::closeClient(Clock::time_point now)
{
    if (!client_) {
        return;
    }
    // A console on its way out sends its reset and closes at once; what it
    // sent is still readable even after a reset of the connection.
    while (readChunk(now) > 0) {
    }
    takeFrames(now); // their echoes stop at the first failed send
    client_.reset();
    sendFailed_ = false;
    if (options_.verbose) {
        say("client disconnected");
    }
}

bool SimServer::stalled(Clock::time_point now) const
{
    return options_.stallAfter >= 0 && now - acceptedAt_ >= seconds(options_.stallAfter);
}

bool SimServer::sendBytes(const uint8_t* data, size_t size)
{
    if (sendFailed_) {
        return false;
    }
    if (linkproto::sendAll(client_.get(), data, size, kSendTimeout)) {
        return true;
    }
    sendFailed_ = true;
    return false;
}

ssize_t SimServer::readChunk(Clock::time_point now)
{
    uint8_t chunk[kReadChunk];
    const ssize_t n = ::recv(client_.get(), chunk, sizeof(chunk), MSG_DONTWAIT);
    if (n > 0) {
        decoder_.push(chunk, static_cast<size_t>(n), now);
        return n;
    }
    return n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) ? 0 : -1;
}

void SimServer::receive(Clock::time_point now)
{
    if (readChunk(now) == 0) {
        closeClient(now);
    }
}

void SimServer::takeFrames(Clock::time_point now)
{
    linkproto::Frame frame;
    while (client_ && decoder_.pop(frame, now)) {
        lastFrame_ = now;
        neutral_ = false;
        // Messages of types this version does not know are skipped.
        const linkproto::MessageInfo* info =
            linkproto::findMessage(static_cast<uint8_t>(frame.type));
        if (info != nullptr && linkproto::isCommand(frame.type)) {
            handle(frame, *info);
        }
    }
}

void SimServer::handle(const linkproto::Frame& frame, const linkproto::MessageInfo& info)
{
    model_.apply(frame);
    if (options_.verbose) {
        say("cmd " + linkproto::formatCommand(info, frame.payload.data()));
    }
    if (!stalled(Clock::now())) {
        linkproto::FrameBuffer echo;
        const size_t size = linkproto::encodeRecord(linkproto::MsgType::ControlEcho,
                                                    model_.control(), seq_++, echo);
        sendBytes(echo.data(), size);
    }
}

void SimServer::sendGarbage()
{
    uint8_t junk[kMaxGarbage];
    const size_t size = std::uniform_int_distribution<size_t>(1, kMaxGarbage)(random_);
    for (size_t i = 0; i < size; ++i) {
        junk[i] = static_cast<uint8_t>(random_());
    }
    sendBytes(junk, size);
}

void SimServer::sendStatus()
{
    LinkStatusRecord record = model_.status();
    if (!options_.nrf.empty()) {
        record.NRF_Status = options_.nrf[std::min(statusSent_, options_.nrf.size() - 1)];
    }
    for (const FieldOverride& fixed : options_.overrides) {
        writeStatusField(record, *fixed.field, fixed.value);
    }
    ++statusSent_;
    if (options_.garbage) {
        sendGarbage();
    }
    linkproto::FrameBuffer frame;
    const size_t size = linkproto::encodeRecord(linkproto::MsgType::Status, record, seq_++, frame);
    if (client_ && options_.truncate && statusSent_ % kTruncateEvery == 0) {
        // A cut frame first, then the whole record again.
        if (!sendBytes(frame.data(), size / 2)) {
            return;
        }
    }
    if (client_) {
        sendBytes(frame.data(), size);
    }
}

void SimServer::sendOutputs(Clock::time_point now)
{
    if (!client_ || stalled(now)) {
        return;
    }
    if (options_.rate > 0 && now >= nextStatus_) {
        sendStatus();
        const auto period =
            std::chrono::duration_cast<Clock::duration>(seconds(1.0 / options_.rate));
        // Catch up after a hiccup without sending a burst.
        nextStatus_ = std::max(nextStatus_ + period, now);
    }
    if (client_ && now >= nextHeartbeat_) {
        linkproto::FrameBuffer frame;
        const size_t size =
            linkproto::encodeFrame(linkproto::MsgType::Heartbeat, seq_++, nullptr, 0, frame);
        sendBytes(frame.data(), size);
        nextHeartbeat_ = now + kHeartbeatInterval;
    }
}

SimServer::Clock::time_point SimServer::nextWake(Clock::time_point now) const
{
    Clock::time_point wake = now + kMaxPollWait;
    if (!neutral_) {
        wake = std::min(wake, lastFrame_ + kSilenceLimit);
    }
    if (client_) {
        wake = std::min(wake, decoder_.partialDeadline());
        // A stalled crawler sends nothing, so its send times do not count.
        if (!stalled(now)) {
            wake = std::min(wake, nextHeartbeat_);
            if (options_.rate > 0) {
                wake = std::min(wake, nextStatus_);
            }
        }
    }
    return wake;
}

void SimServer::run(const volatile std::sig_atomic_t& stop)
{
    auto lastStep = Clock::now();
    while (stop == 0) {
        pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {client_.get(), POLLIN, 0}};
        const nfds_t count = client_ ? 2 : 1;
        const auto before = Clock::now();
        // Rounded up: a wait cut to 0 ms would spin until the deadline.
        const auto wait = std::chrono::ceil<milliseconds>(nextWake(before) - before);
        const int ready = ::poll(fds, count, static_cast<int>(std::max(wait.count(), 0L)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        const auto now = Clock::now();
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            accept(now);
        } else if (ready > 0 && count == 2 && fds[1].revents != 0) {
            receive(now);
        }
        // Also without new bytes: a partial frame may have run out of time.
        takeFrames(now);
        model_.step(duration<double>(now - lastStep).count());
        lastStep = now;
        if (!neutral_ && now - lastFrame_ >= kSilenceLimit) {
            model_.neutral();
            neutral_ = true;
            if (options_.verbose) {
                say("neutral");
            }
        }
        if (client_ && options_.dropAfter >= 0 &&
            now - acceptedAt_ >= seconds(options_.dropAfter)) {
            closeClient(now);
        }
        sendOutputs(now);
        if (sendFailed_) {
            closeClient(now);
        }
    }
    closeClient(Clock::now());
}

} // namespace crawlersim
