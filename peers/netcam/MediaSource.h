// Where a live play reads its stream: an FFmpeg input or the simulated camera.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "SourceAddress.h"
#include "StreamFormat.h"

namespace netcam {

class MediaSource {
public:
    using StopFlag = std::shared_ptr<const std::atomic<bool>>;

    explicit MediaSource(StopFlag stop) : m_stop(std::move(stop)) {}
    virtual ~MediaSource() = default;
    MediaSource(const MediaSource&) = delete;
    MediaSource& operator=(const MediaSource&) = delete;

    // Hands the source to another owner's stop flag; only while no read runs.
    void bindStop(StopFlag stop) { m_stop = std::move(stop); }

    virtual const StreamHeader& header() const = 0;
    // One framed packet (prefix + payload) into out; false when the stream
    // ended, broke, stalled longer than the wait time or stop was raised.
    // seen: false while nobody sees the pictures; a source that draws them
    // may then leave out what out held before.
    virtual bool read(std::vector<uint8_t>& out, bool seen) = 0;

protected:
    bool stopped() const { return m_stop->load(); }

private:
    StopFlag m_stop;
};

struct OpenResult {
    std::unique_ptr<MediaSource> source;
    uint32_t error = 0; // NET_DVR_* code when source is empty
};

struct ConnectSettings {
    std::chrono::milliseconds wait{3000};
    uint32_t tries = 1;
};

// stop may be raised from another thread to abandon the open and later reads.
OpenResult OpenSource(const SourceSpec& spec, const ConnectSettings& settings,
                      MediaSource::StopFlag stop);

} // namespace netcam
