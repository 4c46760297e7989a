#include "LivePlay.h"

#include "IVideoWindow.h"

#include <algorithm>
#include <pthread.h>

#include "CameraProbe.h"

namespace netcam {
namespace {
// Stream buffer of the player that renders a play into a window.
constexpr uint32_t kWindowBufferBytes = 10u << 20;
constexpr int32_t kWindowPort = -1;
// After a loss the first attempt starts this soon; the spacing of the further
// attempts doubles each time, up to the reconnect interval.
constexpr std::chrono::milliseconds kFirstRetry(1000);
// A camera that is away is asked this often whether it is back; a connection
// that does not open within kProbeWait counts as no.
constexpr std::chrono::milliseconds kProbeEvery(1000);
constexpr std::chrono::milliseconds kProbeWait(800);
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

bool LivePlay::pauseUntil(std::chrono::steady_clock::time_point due)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_wake.wait_until(lock, due, [this] { return m_stop->load(); });
}

void LivePlay::run()
{
    ::pthread_setname_np(::pthread_self(), "netcam-read");
    if (!m_source) {
        m_source = OpenSource(m_spec, m_settings.connect, m_stop).source;
    }
    bool lost = false;
    while (!m_stop->load()) {
        if (m_source) {
            if (lost) {
                m_target.notify(PREVIEW_RECONNECTSUCCESS);
            }
            lost = false;
            streamFrom(*m_source);
            m_source.reset();
            if (m_stop->load()) {
                break;
            }
        }
        if (!lost) {
            lost = true;
            m_target.notify(EXCEPTION_PREVIEW);
        }
        if (!m_settings.reconnect) {
            break;
        }
        m_source = reconnect();
    }
    if (m_windowPlayer) {
        m_windowPlayer->closeStream();
    }
}

std::unique_ptr<MediaSource> LivePlay::reconnect()
{
    using Clock = std::chrono::steady_clock;
    const auto probe = ProbeTargetOf(m_spec);
    const auto firstRetry = std::min(kFirstRetry, m_settings.reconnectInterval);
    auto retry = firstRetry;
    // The first probe and the first attempt come a second after the loss.
    const auto lost = Clock::now();
    auto probeAt = lost + kProbeEvery;
    auto attemptAt = lost + firstRetry;
    for (;;) {
        // Attempts follow probes: both run on one schedule.
        const auto due = probe ? probeAt : attemptAt;
        if (!pauseUntil(due)) {
            return nullptr;
        }
        // A second from this probe's real start, however late it came.
        probeAt = Clock::now() + kProbeEvery;
        if (probe && !Answers(*probe, kProbeWait, *m_stop)) {
            // Away: its return gets an attempt at once.
            retry = firstRetry;
            attemptAt = due;
            continue;
        }
        if (due < attemptAt) {
            continue;
        }
        // One try per attempt, and an attempt that reached a camera which
        // does not answer yet waits for it until the next one is due: a
        // camera back from a stall answers it at once.
        ConnectSettings connect = m_settings.connect;
        connect.tries = 1;
        connect.wait = std::max(connect.wait, retry);
        auto source = OpenSource(m_spec, connect, m_stop).source;
        if (source || m_stop->load()) {
            return source;
        }
        retry = std::min(retry * 2, m_settings.reconnectInterval);
        attemptAt = due + retry;
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
    // Only a play into a window alone can go unseen.
    const auto seen = [this] {
        return m_target.callback != nullptr || m_target.window == nullptr ||
               m_target.window->IsShown();
    };
    while (!m_stop->load() && source.read(packet, seen())) {
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
