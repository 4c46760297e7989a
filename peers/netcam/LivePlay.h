// One live play: a network thread that opens the source, hands the stream
// header and then the packets to the stream callback, and reconnects after
// a loss when asked to. While the camera is away its port is probed once a
// second, and the first probe it answers brings a full attempt, however often
// it dropped before; only a camera that answers and then fails has its
// attempts spaced out, doubling from a second up to the reconnect interval.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "MediaSource.h"
#include "Player.h"
#include "netcam.h"

class IVideoWindow;

namespace netcam {

struct LiveSettings {
    ConnectSettings connect;
    std::chrono::milliseconds reconnectInterval{30000};
    bool reconnect = true;
};

struct LiveTarget {
    REALDATACALLBACK callback = nullptr;
    void* user = nullptr;
    IVideoWindow* window = nullptr;
    // Raises the exception callback with the given type.
    std::function<void(uint32_t)> notify;
};

class LivePlay {
public:
    // source: an already open source to start with (may be null).
    LivePlay(int32_t handle, int32_t loginId, SourceSpec spec, std::unique_ptr<MediaSource> source,
             const LiveSettings& settings, LiveTarget target);
    ~LivePlay();
    LivePlay(const LivePlay&) = delete;
    LivePlay& operator=(const LivePlay&) = delete;

    int32_t loginId() const { return m_loginId; }
    // True on the play's own network thread, where it cannot be stopped.
    bool isOwnThread() const { return m_thread.get_id() == std::this_thread::get_id(); }

private:
    void run();
    // After a loss: a source open again, or none when stop was raised.
    std::unique_ptr<MediaSource> reconnect();
    void streamFrom(MediaSource& source);
    void deliver(uint32_t type, const uint8_t* data, size_t size);
    // False when stop was raised before due.
    bool pauseUntil(std::chrono::steady_clock::time_point due);

    const int32_t m_handle;
    const int32_t m_loginId;
    const SourceSpec m_spec;
    const LiveSettings m_settings;
    const LiveTarget m_target;
    std::unique_ptr<MediaSource> m_source;
    std::unique_ptr<Player> m_windowPlayer;
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};

} // namespace netcam
