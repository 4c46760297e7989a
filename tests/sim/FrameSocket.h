// A raw protocol end for tests: real loopback sockets, frames in and out.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "linkproto/Codec.h"
#include "linkproto/FrameDecoder.h"
#include "linkproto/UniqueFd.h"

namespace simtest {

class FrameSocket {
public:
    FrameSocket() = default;
    explicit FrameSocket(linkproto::UniqueFd fd) : fd_(std::move(fd)) {}

    static FrameSocket connectTo(int port);
    explicit operator bool() const { return static_cast<bool>(fd_); }
    void close() { fd_.reset(); }

    bool sendBytes(const std::vector<uint8_t>& bytes);
    bool sendCommand(linkproto::MsgType type, linkproto::CommandValues values = {});
    template <typename Record> bool sendRecord(linkproto::MsgType type, const Record& record)
    {
        linkproto::FrameBuffer frame;
        const size_t size = linkproto::encodeRecord(type, record, seq_++, frame);
        return sendBytes({frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(size)});
    }

    // Reads until a frame matching accept arrives; false on timeout or close.
    bool waitForFrame(const std::function<bool(const linkproto::Frame&)>& accept,
                      std::chrono::milliseconds timeout, linkproto::Frame* out = nullptr);
    // True when the peer closed the connection within timeout.
    bool waitForClose(std::chrono::milliseconds timeout);
    const linkproto::FrameDecoder& decoder() const { return decoder_; }

private:
    // One read of whatever arrives within timeout; false on close or error.
    bool readSome(std::chrono::milliseconds timeout);

    linkproto::UniqueFd fd_;
    linkproto::FrameDecoder decoder_;
    uint16_t seq_ = 0;
    bool closed_ = false;
};

// A listening socket on 127.0.0.1 with a free port.
class FrameListener {
public:
    explicit FrameListener(int backlog = 4);
    int port() const { return port_; }
    // The next connection, or an invalid socket after timeout.
    FrameSocket accept(std::chrono::milliseconds timeout);

private:
    linkproto::UniqueFd fd_;
    int port_ = 0;
};

// Bytes of one whole frame; any type, payload size and version.
std::vector<uint8_t> frameBytes(linkproto::MsgType type, const uint8_t* payload, size_t size,
                                uint16_t seq = 0, uint8_t version = linkproto::kVersion);

} // namespace simtest
