// Which encoder a recording uses and how: the four-character codes the
// recorder takes, the size the video is stored at, and the encoder's
// settings for that size.
#pragma once

#include <opencv2/core.hpp>

#include <string>
#include <utility>
#include <vector>

namespace recorder {

enum class Codec { None, Mpeg4Part2, H264 };

// A four-character code as cv::VideoWriter::fourcc makes it.
constexpr int Fourcc(char a, char b, char c, char d)
{
    return (a & 0xff) | ((b & 0xff) << 8) | ((c & 0xff) << 16) | ((d & 0xff) << 24);
}

// x,v,i,d and m,p,4,v (either case): MPEG-4 Part 2; a,v,c,1 and h,2,6,4: H.264.
Codec CodecFor(int fourcc);

struct EncoderSetup {
    cv::Size size;   // as stored; empty when the codec cannot take the frames at all
    int profile = 0; // FF_PROFILE_*
    int level = 0;   // MPEG-4 Part 2 only
    // libx264's private options (preset, tune, crf, ...); empty for MPEG-4 Part 2.
    std::vector<std::pair<std::string, std::string>> options;
};

// MPEG-4 Part 2 marks the lowest profile and level that admit the size and
// nominal rate; frames beyond every level (at most 8160 macroblocks, about
// 1920 x 1080) are stored scaled down as a whole, to the largest size of
// their shape a level admits. H.264 stores every size; beyond 1920 x 1088 its
// encoder runs with the lightest settings, so a 4K camera costs neither the
// memory nor the time a full-quality search of such pictures would.
EncoderSetup SetupFor(Codec codec, cv::Size frameSize, double fps);

} // namespace recorder
