#include "VideoCodec.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cmath>

namespace recorder {
namespace {

constexpr int kMacroblock = 16;

// MPEG-4 Part 2 profiles and levels by the macroblocks of a picture and per
// second they admit: Simple Profile as far as it goes (720p), then Main
// Profile level 4 (1920 x 1088), which decodes Simple Profile streams.
struct Mpeg4Level {
    int profile;
    int level; // 4 is Simple Profile level 4a
    long macroblocks;
    long macroblocksPerSecond;
};
constexpr Mpeg4Level kMpeg4Levels[] = {
    {FF_PROFILE_MPEG4_SIMPLE, 1, 99, 1485},    {FF_PROFILE_MPEG4_SIMPLE, 2, 396, 5940},
    {FF_PROFILE_MPEG4_SIMPLE, 3, 396, 11880},  {FF_PROFILE_MPEG4_SIMPLE, 4, 1200, 36000},
    {FF_PROFILE_MPEG4_SIMPLE, 5, 1620, 40500}, {FF_PROFILE_MPEG4_SIMPLE, 6, 3600, 108000},
    {FF_PROFILE_MPEG4_MAIN, 4, 8160, 489600},
};
constexpr const Mpeg4Level& kTopLevel = kMpeg4Levels[std::size(kMpeg4Levels) - 1];

long macroblocks(cv::Size size)
{
    return static_cast<long>((size.width + kMacroblock - 1) / kMacroblock) *
           ((size.height + kMacroblock - 1) / kMacroblock);
}

const Mpeg4Level* mpeg4LevelFor(cv::Size size, double fps)
{
    const long count = macroblocks(size);
    for (const Mpeg4Level& level : kMpeg4Levels) {
        if (count <= level.macroblocks &&
            static_cast<double>(count) * fps <= static_cast<double>(level.macroblocksPerSecond)) {
            return &level;
        }
    }
    return nullptr;
}

int even(double side)
{
    return static_cast<int>(std::lround(side / 2)) * 2;
}

// The largest size of the frame's shape (even sides) that a level admits.
cv::Size largestAdmitted(cv::Size frame, double fps)
{
    const double limit = std::min(static_cast<double>(kTopLevel.macroblocks),
                                  static_cast<double>(kTopLevel.macroblocksPerSecond) / fps);
    const double aspect = static_cast<double>(frame.width) / frame.height;
    // Sides rounded up to whole macroblocks only ever ask for more: start
    // from the exact area and step down.
    for (int height = even(std::sqrt(limit * kMacroblock * kMacroblock / aspect)); height >= 2;
         height -= 2) {
        const cv::Size size(std::max(even(height * aspect), 2), height);
        if (mpeg4LevelFor(size, fps) != nullptr) {
            return size;
        }
    }
    return {};
}

// Above this many macroblocks (1920 x 1088), H.264 takes the light settings.
constexpr long kLargeH264 = 8160;

} // namespace

Codec CodecFor(int code)
{
    for (int known : {Fourcc('x', 'v', 'i', 'd'), Fourcc('X', 'V', 'I', 'D'),
                      Fourcc('m', 'p', '4', 'v'), Fourcc('M', 'P', '4', 'V')}) {
        if (code == known) {
            return Codec::Mpeg4Part2;
        }
    }
    for (int known : {Fourcc('a', 'v', 'c', '1'), Fourcc('A', 'V', 'C', '1'),
                      Fourcc('h', '2', '6', '4'), Fourcc('H', '2', '6', '4')}) {
        if (code == known) {
            return Codec::H264;
        }
    }
    return Codec::None;
}

EncoderSetup SetupFor(Codec codec, cv::Size frameSize, double fps)
{
    EncoderSetup setup;
    if (codec == Codec::H264) {
        setup.size = frameSize;
        setup.profile = FF_PROFILE_H264_HIGH;
        const bool large = macroblocks(frameSize) > kLargeH264;
        // veryfast at CRF 23 for up to 1080p; ultrafast without look-ahead,
        // spread over slices, for larger pictures.
        setup.options = {{"preset", large ? "ultrafast" : "veryfast"}, {"crf", "23"}};
        if (large) {
            setup.options.emplace_back("tune", "zerolatency");
        }
        // A forced key frame is an IDR picture: a fragment that starts there
        // decodes alone.
        setup.options.emplace_back("profile", "high");
        setup.options.emplace_back("forced-idr", "1");
        return setup;
    }
    if (codec != Codec::Mpeg4Part2) {
        return setup;
    }
    setup.size =
        mpeg4LevelFor(frameSize, fps) != nullptr ? frameSize : largestAdmitted(frameSize, fps);
    if (const Mpeg4Level* level = mpeg4LevelFor(setup.size, fps)) {
        setup.profile = level->profile;
        setup.level = level->level;
    }
    return setup;
}

} // namespace recorder
