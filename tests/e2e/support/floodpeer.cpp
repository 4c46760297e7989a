#include "floodpeer.h"

#include "LinkRecords.h"
#include "linkproto/Codec.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kCrawlerPeriod(50);
constexpr std::chrono::milliseconds kReadSlice(100);
constexpr std::chrono::milliseconds kClosedPause(10);
constexpr int kFloodBatch = 64;
constexpr uint32_t kCableWraps = 15000; // cm, a full reel
constexpr int32_t kPressure = 101325;   // Pa

LinkStatusRecord plausible(uint64_t n)
{
    LinkStatusRecord record{};
    record.Cam_Pressure = kPressure;
    record.Car_Pressure = kPressure;
    record.Cam_temperature = 21.5F;
    record.Car_temperature = 23.25F;
    record.Angle_Roll = static_cast<float>(n % 7) - 3.0F;
    record.Angle_Pitch = static_cast<float>(n % 5) - 2.0F;
    record.Angle_Yaw = static_cast<float>(n % 360);
    record.Wir_length = static_cast<uint32_t>(n % kCableWraps);
    return record;
}

LinkStatusRecord absurd(uint64_t n)
{
    const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), FLT_MAX, -FLT_MAX};
    const float value = values[n % std::size(values)];
    LinkStatusRecord record{};
    record.Cam_Pressure = INT_MIN;
    record.Car_Pressure = INT_MIN;
    record.Cam_temperature = value;
    record.Car_temperature = value;
    record.Angle_Roll = value;
    record.Angle_Pitch = value;
    record.Angle_Yaw = value;
    record.Wir_length = UINT32_MAX;
    return record;
}

} // namespace

FloodPeer::FloodPeer() = default;

FloodPeer::~FloodPeer()
{
    m_stop = true;
    if (m_sender.joinable())
        m_sender.join();
    if (m_reader.joinable())
        m_reader.join();
}

bool FloodPeer::accept(std::chrono::milliseconds timeout)
{
    m_socket = m_listener.accept(timeout);
    if (!m_socket)
        return false;
    m_reader = std::thread([this] { drain(); });
    m_sender = std::thread([this] { send(); });
    return true;
}

void FloodPeer::send()
{
    std::vector<uint8_t> batch;
    linkproto::FrameBuffer frame;
    uint16_t seq = 0;
    auto next = Clock::now();
    while (!m_stop && !m_lost) {
        const bool flood = m_pace == Pace::Flood;
        batch.clear();
        for (int i = 0; i < (flood ? kFloodBatch : 1); ++i) {
            const uint64_t n = m_sent + static_cast<uint64_t>(i);
            const LinkStatusRecord record = m_hostile && n % 2 == 1 ? absurd(n / 2) : plausible(n);
            const size_t size =
                linkproto::encodeRecord(linkproto::MsgType::Status, record, seq++, frame);
            batch.insert(batch.end(), frame.begin(),
                         frame.begin() + static_cast<std::ptrdiff_t>(size));
        }
        if (!m_socket.sendBytes(batch)) {
            m_lost = true;
            break;
        }
        m_sent += flood ? kFloodBatch : 1;
        if (!flood) {
            next = std::max(next + kCrawlerPeriod, Clock::now() - kCrawlerPeriod);
            std::this_thread::sleep_until(next);
        }
    }
}

void FloodPeer::drain()
{
    const auto dropAll = [](const linkproto::Frame&) { return false; };
    while (!m_stop) {
        const auto start = Clock::now();
        m_socket.waitForFrame(dropAll, kReadSlice);
        // A closed socket returns at once.
        if (Clock::now() - start < kReadSlice)
            std::this_thread::sleep_for(kClosedPause);
    }
}
