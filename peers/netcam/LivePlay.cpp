#include "LivePlay.h"

#include <algorithm>

namespace netcam {
namespace {
// Stream buffer of the player that renders a play into a window.
constexpr uint32_t kWindowBufferBytes = 10u << 20;
constexpr int32_t kWindowPort = -1;
// After a loss the first attempt starts this soon; the spacing of the further
// attempts doubles each time, up to the reconnect interval.
constexpr std::chrono::milliseconds kFirstRetry(1000);
} // namespace

LivePlay::LivePlay(int32_t handle, int32_t loginId, SourceSpec spec,
                   std::unique_ptr<MediaSource> source, const LiveSettings& settings,
                   LiveTarget target)
    : m_handle(handle), m_loginId(loginId), m_spec(std::move(spec)), m_settings(settings),
      m_target(std::move(target)), m_source(std::move(source)),
      m_stop(std::make_shared<std::atomic<bool>>(false))
{
    if (m_source) {
        m_source->bindStop(m_stop);
    }
    if (m_target.window != nullptr) {
        m_windowPlayer = std::make_unique<Player>(kWindowPort);
    }
    m_thread = std::thread(&LivePlay::run, this);
}

LivePlay::~LivePlay()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop->store(true);
    }
    m_wake.notify_all();
    m_thread.join();
}

bool LivePlay::pause(std::chrono::milliseconds interval)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_for(lock, interval, [this] { return m_stop->load(); });
}

void LivePlay::run()
{
    using Clock = std::chrono::steady_clock;
    bool lost = false;
    const auto firstRetry = std::min(kFirstRetry, m_settings.reconnectInterval);
    auto retry = firstRetry;
    auto attemptAt = Clock::now();
    while (!m_stop->load()) {
        if (!m_source) {
            ConnectSettings connect = m_settings.connect;
            if (lost) {
                // One try per attempt, and an attempt that reached a camera
                // which does not answer yet waits for it until the next one
                // is due: a camera back from a stall answers it at once.
                connect.tries = 1;
                connect.wait = std::max(connect.wait, retry);
            }
            attemptAt = Clock::now();
            m_source = OpenSource(m_spec, connect, m_stop).source;
        }
        if (m_source) {
            if (lost) {
                m_target.notify(PREVIEW_RECONNECTSUCCESS);
            }
            lost = false;
            retry = firstRetry;
            streamFrom(*m_source);
            m_source.reset();
            if (m_stop->load()) {
                break;
            }
            attemptAt = Clock::now(); // the first retry comes a second after the loss
        }
        if (!lost) {
            lost = true;
            m_target.notify(EXCEPTION_PREVIEW);
        }
        const auto due = attemptAt + retry;
        if (!m_settings.reconnect ||
            !pause(std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()))) {
            break;
        }
        retry = std::min(retry * 2, m_settings.reconnectInterval);
    }
    if (m_windowPlayer) {
        m_windowPlayer->closeStream();
    }
}

void LivePlay::streamFrom(MediaSource& source)
{
    const auto header = EncodeHeader(source.header());
    deliver(NET_DVR_SYSHEAD, header.data(), header.size());
    if (m_windowPlayer) {
        m_windowPlayer->closeStream();
        if (!m_windowPlayer->openStream(header.data(), static_cast<uint32_t>(header.size()),
                                        kWindowBufferBytes) ||
            !m_windowPlayer->play(m_target.window)) {
            return;
        }
    }
    std::vector<uint8_t> packet;
    while (!m_stop->load() && source.read(packet)) {
        deliver(NET_DVR_STREAMDATA, packet.data(), packet.size());
        if (m_windowPlayer) {
            m_windowPlayer->input(packet.data(), static_cast<uint32_t>(packet.size()));
        }
    }
}

void LivePlay::deliver(uint32_t type, const uint8_t* data, size_t size)
{
    if (m_target.callback != nullptr) {
        // The callback takes a writable buffer; it is ours until it returns.
        m_target.callback(m_handle, type, const_cast<uint8_t*>(data), static_cast<uint32_t>(size),
                          m_target.user);
    }
}

} // namespace netcam
