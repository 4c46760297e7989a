#include "Mp4Output.h"

#include <algorithm>
#include <cstring>

#include <opencv2/imgproc.hpp>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace {

using recorder::avError;
using recorder::Codec;
using recorder::PacketDeleter;

constexpr AVRational kMicroseconds{1, 1000000};
constexpr size_t kMaxCueBytes = 0xFFFF; // a mov_text sample's 16-bit length

} // namespace

std::string Mp4Recorder::Output::encode(const AVFrame* input)
{
    int ret = avcodec_send_frame(codec.get(), input);
    if (ret < 0) {
        return "encoding failed: " + avError(ret);
    }
    while ((ret = avcodec_receive_packet(codec.get(), packet.get())) >= 0) {
        if (holding) {
            release(packet->dts);
        }
        av_packet_move_ref(held.get(), packet.get());
        holding = true;
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        return "encoding failed: " + avError(ret);
    }
    return writeWaiting(false);
}

void Mp4Recorder::Output::release(int64_t endPts)
{
    holding = false;
    held->duration = endPts > held->dts ? endPts - held->dts : frameTicks;
    std::unique_ptr<AVPacket, PacketDeleter> done(av_packet_alloc());
    av_packet_move_ref(done.get(), held.get());
    waiting.push_back(std::move(done));
}

std::string Mp4Recorder::Output::writeWaiting(bool final)
{
    while (!waiting.empty()) {
        AVPacket* next = waiting.front().get();
        const bool covered =
            subtitles == nullptr ||
            av_rescale_q(next->dts, codec->time_base, subtitles->time_base) < subtitleEnd;
        if (!covered && !final) {
            break;
        }
        if (fragmentOpen && next->dts >= fragmentEnd) {
            const std::string error = flushFragment();
            if (!error.empty()) {
                return error;
            }
        }
        if (!fragmentOpen) {
            // A whole second of the recording: ticks are 1 / den of a second.
            const int64_t second = codec->time_base.den;
            fragmentEnd = (next->dts / second + 1) * second;
            fragmentOpen = true;
        }
        av_packet_rescale_ts(next, codec->time_base, stream->time_base);
        next->stream_index = stream->index;
        const int ret = av_write_frame(format.get(), next);
        waiting.pop_front();
        if (ret < 0 || ioFailed()) {
            return ioError("writing failed", ret);
        }
    }
    // Everything before the fragment's end is written once a later packet is known.
    const AVPacket* later = !waiting.empty() ? waiting.front().get()
                            : holding        ? held.get()
                                             : nullptr;
    if (fragmentOpen && later != nullptr && later->dts >= fragmentEnd) {
        return flushFragment();
    }
    return {};
}

std::string Mp4Recorder::Output::flushFragment()
{
    fragmentOpen = false;
    int ret = av_write_frame(format.get(), nullptr);
    if (ret >= 0 && !ioFailed()) {
        avio_flush(format->pb);
        ret = ioFailed() ? format->pb->error : sink.syncNow();
    }
    if (ret < 0 || ioFailed()) {
        return ioError("writing failed", ret);
    }
    return {};
}

std::string Mp4Recorder::Output::writeCue(const std::string& text, int64_t from, int64_t to)
{
    from = std::max(from, subtitleEnd);
    if (to <= from) {
        return {};
    }
    // A sample is the text's 16-bit big-endian length and the text, cut at a
    // character boundary when longer.
    size_t length = std::min(text.size(), kMaxCueBytes);
    while (length < text.size() && length > 0 && (text[length] & 0xC0) == 0x80) {
        --length;
    }
    std::unique_ptr<AVPacket, PacketDeleter> cue(av_packet_alloc());
    if (!cue || av_new_packet(cue.get(), static_cast<int>(length + 2)) < 0) {
        return "out of memory";
    }
    cue->data[0] = static_cast<uint8_t>(length >> 8);
    cue->data[1] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(cue->data + 2, text.data(), length);
    cue->pts = cue->dts = from;
    cue->duration = to - from;
    cue->flags |= AV_PKT_FLAG_KEY;
    cue->stream_index = subtitles->index;
    const int ret = av_write_frame(format.get(), cue.get());
    if (ret < 0 || ioFailed()) {
        return ioError("writing failed", ret);
    }
    subtitleEnd = to;
    return writeWaiting(false);
}

std::string Mp4Recorder::Output::finish(int64_t endPts)
{
    if (!headerWritten) {
        return {};
    }
    headerWritten = false;
    std::string error = encode(nullptr);
    if (holding) {
        release(endPts);
    }
    // What no cue came for goes in all the same.
    std::string last = writeWaiting(true);
    // The muxer ends the subtitles with an empty cue of its own; alone in its
    // fragment it keeps no length, and the subtitles end with the video.
    if (last.empty() && fragmentOpen) {
        last = flushFragment();
    }
    error = error.empty() ? last : error;
    int ret = av_write_trailer(format.get());
    if (ret >= 0 && !ioFailed()) {
        avio_flush(format->pb);
        ret = ioFailed() ? format->pb->error : sink.syncNow();
    }
    if (error.empty() && (ret < 0 || ioFailed())) {
        error = ioError("finishing the file failed", ret);
    }
    return error;
}

Mp4Recorder::Mp4Recorder() = default;

Mp4Recorder::~Mp4Recorder()
{
    release();
}

bool Mp4Recorder::open(const std::string& path, int fourcc, double fps, cv::Size frameSize)
{
    return open(path, fourcc, fps, frameSize, Options());
}

bool Mp4Recorder::open(const std::string& path, int fourcc, double fps, cv::Size frameSize,
                       const Options& options)
{
    release();
    m_lastSync = SyncFigures();
    if (!(fps >= 1.0)) {
        m_lastError = "frame rate below 1";
        return false;
    }
    if (frameSize.width <= 0 || frameSize.height <= 0) {
        m_lastError = "empty frame size";
        return false;
    }
    auto output = std::make_unique<Output>();
    output->kind = recorder::CodecFor(fourcc);
    if (output->kind == Codec::None) {
        m_lastError = "unsupported codec code (xvid, mp4v, avc1 or h264)";
        return false;
    }
    m_lastError = output->open(path, fps, frameSize, options);
    if (!m_lastError.empty()) {
        return false;
    }
    m_output = std::move(output);
    return true;
}

bool Mp4Recorder::isOpened() const
{
    return m_output != nullptr;
}

cv::Size Mp4Recorder::storedSize() const
{
    return m_output ? m_output->stored : cv::Size();
}

bool Mp4Recorder::fail(const std::string& error)
{
    // Close what can still be closed; the first error is the one to report.
    m_output->finish(m_output->lastPts);
    m_lastSync = m_output->sink.figures;
    m_output.reset();
    m_lastError = error;
    return false;
}

namespace {

// The planes of a contiguous 4:2:0 picture, I420 (U first) or YV12 (V first).
struct Planes {
    uint8_t* data[3];
    int linesize[3];
};

Planes planesOf(uint8_t* y, int width, int height, bool yv12)
{
    uint8_t* second = y + static_cast<size_t>(width) * height;
    uint8_t* third = second + static_cast<size_t>(width / 2) * (height / 2);
    return {{y, yv12 ? third : second, yv12 ? second : third}, {width, width / 2, width / 2}};
}

void copyPlanes(uint8_t* y, int width, int height, bool yv12, AVFrame& frame)
{
    const Planes from = planesOf(y, width, height, yv12);
    const int widths[3] = {width, width / 2, width / 2};
    const int heights[3] = {height, height / 2, height / 2};
    for (int plane = 0; plane < 3; ++plane) {
        av_image_copy_plane(frame.data[plane], frame.linesize[plane], from.data[plane],
                            from.linesize[plane], widths[plane], heights[plane]);
    }
}

void releaseLent(void* picture, uint8_t*)
{
    delete static_cast<cv::Mat*>(picture);
}

// A YV12 picture that owns its memory goes into the encoder as it lies: the
// frame refers to its planes and holds a reference to it for as long as the
// encoder keeps the frame, so nothing is copied on the way in. False when no
// buffer reference could be made.
bool lendPlanes(const cv::Mat& yv12, AVFrame& frame)
{
    av_frame_unref(&frame);
    auto* held = new cv::Mat(yv12);
    frame.buf[0] =
        av_buffer_create(held->data, held->total(), releaseLent, held, AV_BUFFER_FLAG_READONLY);
    if (frame.buf[0] == nullptr) {
        delete held;
        return false;
    }
    frame.format = AV_PIX_FMT_YUV420P;
    frame.width = yv12.cols;
    frame.height = yv12.rows * 2 / 3;
    const Planes planes = planesOf(held->data, frame.width, frame.height, true);
    std::copy(std::begin(planes.data), std::end(planes.data), frame.data);
    std::copy(std::begin(planes.linesize), std::end(planes.linesize), frame.linesize);
    return true;
}

// The frame into the encoder's YUV 4:2:0 planes. At its own even size
// OpenCV converts it (BT.601, limited range, as swscale does) several times
// faster than swscale; a frame to be scaled down goes through swscale in one
// pass.
void toPicture(const cv::Mat& bgr, cv::Size stored, SwsContext* scaler, cv::Mat& i420,
               AVFrame& frame)
{
    const int width = bgr.cols;
    const int height = bgr.rows;
    if (stored != bgr.size() || width % 2 != 0 || height % 2 != 0) {
        const uint8_t* srcData[1] = {bgr.data};
        const int srcStride[1] = {static_cast<int>(bgr.step[0])};
        sws_scale(scaler, srcData, srcStride, 0, height, frame.data, frame.linesize);
        return;
    }
    cv::cvtColor(bgr, i420, cv::COLOR_BGR2YUV_I420);
    copyPlanes(i420.data, width, height, false, frame);
}

} // namespace

bool Mp4Recorder::isYv12(const cv::Mat& frame, cv::Size size)
{
    return frame.type() == CV_8UC1 && frame.isContinuous() && size.width % 2 == 0 &&
           size.height % 2 == 0 && frame.cols == size.width && frame.rows == size.height * 3 / 2;
}

bool Mp4Recorder::write(const cv::Mat& frame, std::chrono::microseconds at)
{
    if (!m_output) {
        m_lastError = "not open";
        return false;
    }
    const bool yv12 = isYv12(frame, m_output->size);
    if (!yv12 && (frame.type() != CV_8UC3 || frame.size() != m_output->size)) {
        m_lastError = "frame is not 8-bit BGR or YV12 of the recording size";
        return false;
    }
    Output& out = *m_output;
    // A YV12 picture of the stored size needs neither conversion nor scaling.
    const bool asItIs = yv12 && out.stored == out.size;
    AVFrame* picture = out.frame.get();
    if (asItIs && frame.u != nullptr) {
        picture = out.lent.get();
        if (!lendPlanes(frame, *picture)) {
            m_lastError = "out of memory";
            return false;
        }
    } else {
        // The encoder may still hold the previous picture.
        const int ret = av_frame_make_writable(picture);
        if (ret < 0) {
            m_lastError = "cannot reuse the frame: " + avError(ret);
            return false;
        }
        if (asItIs) {
            copyPlanes(frame.data, frame.cols, frame.rows * 2 / 3, true, *picture);
        } else if (yv12) {
            cv::Mat bgr;
            cv::cvtColor(frame, bgr, cv::COLOR_YUV2BGR_YV12);
            toPicture(bgr, out.stored, out.scaler.get(), out.i420, *picture);
        } else {
            toPicture(frame, out.stored, out.scaler.get(), out.i420, *picture);
        }
    }
    // The first frame starts the file, however long after the start it came:
    // the recording's time and the file's time stay the same.
    picture->pts = out.lastPts < 0
                       ? 0
                       : std::max(av_rescale_q(at.count(), kMicroseconds, out.codec->time_base),
                                  out.lastPts + 1);
    out.lastPts = picture->pts;
    // A key frame every second of the recording bounds what a cut file loses.
    const bool key = out.lastKeyPts < 0 || picture->pts - out.lastKeyPts >= out.keyTicks;
    picture->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    if (key) {
        out.lastKeyPts = picture->pts;
    }
    // A fixed-quantiser encoder takes the quantiser from each picture.
    picture->quality = out.codec->global_quality;
    const std::string error = out.encode(picture);
    return error.empty() ? true : fail(error);
}

bool Mp4Recorder::writeSubtitle(const std::string& text, std::chrono::microseconds from,
                                std::chrono::microseconds to)
{
    if (!m_output || m_output->subtitles == nullptr) {
        m_lastError = m_output ? "opened without subtitles" : "not open";
        return false;
    }
    const AVRational base = m_output->subtitles->time_base;
    const std::string error =
        m_output->writeCue(text, av_rescale_q(from.count(), kMicroseconds, base),
                           av_rescale_q(to.count(), kMicroseconds, base));
    return error.empty() ? true : fail(error);
}

void Mp4Recorder::release()
{
    if (m_output) {
        // Ending where the last frame starts leaves it one nominal frame.
        release(std::chrono::microseconds(
            av_rescale_q(m_output->lastPts, m_output->codec->time_base, kMicroseconds)));
    }
}

bool Mp4Recorder::release(std::chrono::microseconds end)
{
    if (!m_output) {
        return true;
    }
    const std::string error =
        m_output->finish(av_rescale_q(end.count(), kMicroseconds, m_output->codec->time_base));
    if (!error.empty()) {
        m_lastError = error;
    }
    m_lastSync = m_output->sink.figures;
    m_output.reset();
    return error.empty();
}

const std::string& Mp4Recorder::lastError() const
{
    return m_lastError;
}

Mp4Recorder::SyncFigures Mp4Recorder::syncFigures() const
{
    return m_output ? m_output->sink.figures : m_lastSync;
}
