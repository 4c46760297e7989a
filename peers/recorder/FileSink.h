// The file the MP4 muxer writes through: a descriptor of our own, so each
// fragment can be forced to the disk.
#pragma once

#include "Mp4Recorder.h"

#include <cstdint>

namespace recorder {

struct FileSink {
    int fd = -1;
    bool sync = true;
    Mp4Recorder::SyncFigures figures;

    FileSink() = default;
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // fdatasync, timed into figures; 0 or an AVERROR.
    int syncNow();

    // The AVIOContext callbacks; opaque is the FileSink.
    static int write(void* opaque, uint8_t* data, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
};

} // namespace recorder
