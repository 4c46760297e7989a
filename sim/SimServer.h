#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <sys/types.h>

#include "CrawlerModel.h"
#include "SimOptions.h"
#include "linkproto/FrameDecoder.h"
#include "linkproto/UniqueFd.h"

namespace crawlersim {

// Serves one console at a time: status records at the configured rate,
// heartbeats, the control echo after each command, and the fault options.
class SimServer {
public:
    SimServer(const SimOptions& options, std::FILE* out);

    // Binds the listening socket and announces the port.
    bool listen();
    // Runs until stop becomes non-zero.
    void run(const volatile std::sig_atomic_t& stop);

private:
    using Clock = std::chrono::steady_clock;

    void accept(Clock::time_point now);
    // Acts on the commands the console sent before the connection goes.
    void closeClient(Clock::time_point now);
    // One read into the decoder: bytes read, 0 when the console closed or
    // the socket failed, -1 when nothing is waiting.
    ssize_t readChunk(Clock::time_point now);
    void receive(Clock::time_point now);
    void takeFrames(Clock::time_point now);
    // When the loop must next wake: the next frame to send, the silence
    // limit, a partial frame's deadline, or a short step of the physics.
    Clock::time_point nextWake(Clock::time_point now) const;
    void handle(const linkproto::Frame& frame, const linkproto::MessageInfo& info);
    void sendOutputs(Clock::time_point now);
    void sendStatus();
    bool sendBytes(const uint8_t* data, size_t size);
    void sendGarbage();
    bool stalled(Clock::time_point now) const;
    void say(const std::string& line);

    const SimOptions& options_;
    std::FILE* out_;
    CrawlerModel model_;
    std::mt19937 random_;
    linkproto::UniqueFd listener_;
    linkproto::UniqueFd client_;
    linkproto::FrameDecoder decoder_;
    uint16_t seq_ = 0;
    size_t statusSent_ = 0;
    Clock::time_point acceptedAt_;
    Clock::time_point lastFrame_;
    Clock::time_point nextStatus_;
    Clock::time_point nextHeartbeat_;
    bool neutral_ = true;
    bool sendFailed_ = false; // the client is closed at the end of the loop's pass
};

} // namespace crawlersim
