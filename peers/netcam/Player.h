// One player port: takes the framed stream, decodes it on its own thread and
// hands YV12 frames to the decode callback and, when given, a window, from
// the first decoded key frame of each opened stream on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVFrame;

#include "VideoDecoder.h"
#include "netcam.h"

class IVideoWindow;

namespace netcam {

class Player {
public:
    explicit Player(int32_t port);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    bool openStream(const uint8_t* header, uint32_t size, uint32_t bufferBytes);
    bool play(IVideoWindow* window);
    bool setDecodeCallback(DECCBFUN callback);
    bool input(const uint8_t* data, uint32_t size);
    bool stop();
    bool closeStream();
    uint32_t lastError() const;

private:
    bool fail(uint32_t error);
    // Queues the whole packets at the front of data; returns the bytes used.
    size_t parse(const uint8_t* data, size_t size, bool& ok);
    void decodeLoop();
    void deliver(const AVFrame& frame, DECCBFUN callback, IVideoWindow* window);

    const int32_t m_port;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<VideoDecoder> m_decoder;
    uint32_t m_bufferBytes = 0;
    size_t m_queuedBytes = 0;
    std::deque<PacketPtr> m_queue;
    std::vector<uint8_t> m_pending; // bytes of a packet split across inputs
    DECCBFUN m_callback = nullptr;
    IVideoWindow* m_window = nullptr;
    bool m_stopping = false;
    std::thread m_thread;
    uint32_t m_lastError = PLAYM4_NOERROR;
    // Decode thread only.
    std::vector<uint8_t> m_yv12;
    uint32_t m_frameNumber = 0;
    int32_t m_frameRate = 0;
    bool m_keySeen = false;
};

} // namespace netcam
