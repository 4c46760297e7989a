#include "Player.h"

#include <opencv2/imgproc.hpp>

#include <pthread.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "IVideoWindow.h"

namespace netcam {

Player::Player(int32_t port) : m_port(port)
{
}

Player::~Player()
{
    closeStream();
}

bool Player::fail(uint32_t error)
{
    m_lastError = error;
    return false;
}

uint32_t Player::lastError() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

bool Player::openStream(const uint8_t* header, uint32_t size, uint32_t bufferBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_decoder) {
        return fail(PLAYM4_ORDER_ERROR);
    }
    const auto parsed = DecodeHeader(header, size);
    if (!parsed || bufferBytes == 0) {
        return fail(PLAYM4_PARA_OVER);
    }
    m_decoder = VideoDecoder::Create(*parsed);
    if (!m_decoder) {
        return fail(PLAYM4_CREATE_OBJ_ERROR);
    }
    m_bufferBytes = bufferBytes;
    m_frameRate = parsed->frameRate;
    m_frameNumber = 0;
    m_keySeen = false;
    m_pending.clear();
    return true;
}

bool Player::play(IVideoWindow* window)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_decoder) {
        return fail(PLAYM4_ORDER_ERROR);
    }
    m_window = window;
    if (!m_thread.joinable()) {
        m_stopping = false;
        m_thread = std::thread(&Player::decodeLoop, this);
    }
    return true;
}

bool Player::setDecodeCallback(DECCBFUN callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callback = callback;
    return true;
}

bool Player::input(const uint8_t* data, uint32_t size)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_decoder) {
        return fail(PLAYM4_ORDER_ERROR);
    }
    if (data == nullptr) {
        return fail(PLAYM4_PARA_OVER);
    }
    bool ok = true;
    if (m_pending.empty()) {
        const size_t used = parse(data, size, ok);
        m_pending.assign(data + used, data + size);
    } else {
        m_pending.insert(m_pending.end(), data, data + size);
        const size_t used = parse(m_pending.data(), m_pending.size(), ok);
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    }
    lock.unlock();
    m_wake.notify_one();
    return ok;
}

size_t Player::parse(const uint8_t* data, size_t size, bool& ok)
{
    size_t used = 0;
    while (size - used >= kPacketPrefixSize) {
        const auto prefix = ReadPacketPrefix(data + used, size - used);
        if (!prefix) {
            // Not our framing: skip a byte at a time until it lines up again.
            ++used;
            ok = fail(PLAYM4_PARA_OVER);
            continue;
        }
        if (size - used - kPacketPrefixSize < prefix->payloadSize) {
            break;
        }
        const uint8_t* payload = data + used + kPacketPrefixSize;
        used += kPacketPrefixSize + prefix->payloadSize;
        // A packet larger than the whole buffer (a raw 4K picture) is
        // still taken when nothing else waits.
        if (!m_queue.empty() && m_queuedBytes + prefix->payloadSize > m_bufferBytes) {
            ok = fail(PLAYM4_BUF_OVER);
            continue;
        }
        auto packet = MakePacket(*prefix, payload);
        if (!packet) {
            ok = fail(PLAYM4_ALLOC_MEMORY_ERROR);
            continue;
        }
        m_queuedBytes += prefix->payloadSize;
        m_queue.push_back(std::move(packet));
    }
    return used;
}

bool Player::stop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopping = true;
    std::thread thread = std::move(m_thread);
    lock.unlock();
    m_wake.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
    lock.lock();
    m_queue.clear();
    m_queuedBytes = 0;
    m_window = nullptr;
    return true;
}

bool Player::closeStream()
{
    stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_decoder.reset();
    m_pending.clear();
    return true;
}

void Player::decodeLoop()
{
    ::pthread_setname_np(::pthread_self(), "netcam-decode");
    for (;;) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) {
            return;
        }
        PacketPtr packet = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= static_cast<size_t>(packet->size);
        const DECCBFUN callback = m_callback;
        IVideoWindow* window = m_window;
        lock.unlock();
        const bool decoded = m_decoder->decode(
            *packet, [&](const AVFrame& frame) { deliver(frame, callback, window); });
        if (!decoded) {
            lock.lock();
            m_lastError = PLAYM4_DEC_VIDEO_ERROR;
        }
    }
}

void Player::deliver(const AVFrame& frame, DECCBFUN callback, IVideoWindow* window)
{
    // A stream joined between key frames decodes into grey smear until its
    // next key frame: nothing leaves before one.
    m_keySeen = m_keySeen || frame.key_frame != 0;
    if (!m_keySeen) {
        return;
    }
    if (callback == nullptr && window != nullptr) {
        // A window alone takes the decoder's planes as they are.
        VideoPlanes planes;
        if (!window->IsShown()) {
            window->FrameSkipped();
        } else if (VideoDecoder::planesOf(frame, planes)) {
            window->ShowPlanes(planes);
        } else if (m_decoder->toYv12(frame, m_yv12)) {
            window->ShowPlanes(
                VideoPlanes::FromYv12(m_yv12.data(), frame.width & ~1, frame.height & ~1));
        }
        return;
    }
    if (!m_decoder->toYv12(frame, m_yv12)) {
        return;
    }
    FRAME_INFO info{};
    info.nWidth = frame.width & ~1;
    info.nHeight = frame.height & ~1;
    info.nStamp = frame.pts == AV_NOPTS_VALUE ? 0 : static_cast<int32_t>(frame.pts / 1000);
    info.nType = T_YV12;
    info.nFrameRate = m_frameRate;
    info.dwFrameNum = m_frameNumber++;
    if (callback != nullptr) {
        callback(m_port, reinterpret_cast<char*>(m_yv12.data()),
                 static_cast<int32_t>(m_yv12.size()), &info, nullptr, 0);
    }
    if (window != nullptr) {
        window->ShowPlanes(VideoPlanes::FromYv12(m_yv12.data(), info.nWidth, info.nHeight));
    }
}

} // namespace netcam
