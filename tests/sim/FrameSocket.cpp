#include "FrameSocket.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include "linkproto/TcpSocket.h"

namespace simtest {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kConnectTimeout{2000};
constexpr milliseconds kSendTimeout{2000};

bool waitReadable(int fd, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, left > 0 ? static_cast<int>(left) : 0) > 0;
}

} // namespace

FrameSocket FrameSocket::connectTo(int port)
{
    return FrameSocket(linkproto::connectTcp("127.0.0.1", port, kConnectTimeout));
}

bool FrameSocket::sendBytes(const std::vector<uint8_t>& bytes)
{
    return linkproto::sendAll(fd_.get(), bytes.data(), bytes.size(), kSendTimeout);
}

bool FrameSocket::sendCommand(linkproto::MsgType type, linkproto::CommandValues values)
{
    linkproto::FrameBuffer frame;
    const size_t size = linkproto::encodeCommand(type, values, seq_++, frame);
    return sendBytes({frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(size)});
}

bool FrameSocket::readSome(milliseconds timeout)
{
    if (closed_ || !waitReadable(fd_.get(), Clock::now() + timeout)) {
        return false;
    }
    uint8_t chunk[4096];
    const ssize_t n = ::recv(fd_.get(), chunk, sizeof(chunk), MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        closed_ = true;
        return false;
    }
    if (n > 0) {
        decoder_.push(chunk, static_cast<size_t>(n));
    }
    return true;
}

bool FrameSocket::waitForFrame(const std::function<bool(const linkproto::Frame&)>& accept,
                               milliseconds timeout, linkproto::Frame* out)
{
    const auto deadline = Clock::now() + timeout;
    linkproto::Frame frame;
    for (;;) {
        while (decoder_.pop(frame)) {
            if (accept(frame)) {
                if (out != nullptr) {
                    *out = frame;
                }
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || (!readSome(left) && (closed_ || Clock::now() >= deadline))) {
            return false;
        }
    }
}

bool FrameSocket::waitForClose(milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!closed_ && Clock::now() < deadline) {
        readSome(std::chrono::duration_cast<milliseconds>(deadline - Clock::now()));
    }
    return closed_;
}

FrameListener::FrameListener(int backlog) : fd_(linkproto::listenTcp("127.0.0.1", 0, backlog))
{
    port_ = fd_ ? linkproto::localPort(fd_.get()) : 0;
}

FrameSocket FrameListener::accept(milliseconds timeout)
{
    if (!waitReadable(fd_.get(), Clock::now() + timeout)) {
        return {};
    }
    return FrameSocket(linkproto::UniqueFd(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC)));
}

std::vector<uint8_t> frameBytes(linkproto::MsgType type, const uint8_t* payload, size_t size,
                                uint16_t seq, uint8_t version)
{
    std::vector<uint8_t> frame(linkproto::kHeaderSize + size + linkproto::kCrcSize);
    linkproto::writeFrame(version, static_cast<uint8_t>(type), seq, payload, size, frame.data());
    return frame;
}

} // namespace simtest
