#include "videofile.h"

#include "filenamefields.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include <memory>

namespace {

const char* const kFormatTag = "moravel_format";
const char* const kStartTag = "start_time";

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

QString tag(const AVFormatContext* context, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(context->metadata, key, nullptr, 0);
    return entry != nullptr ? QString::fromUtf8(entry->value) : QString();
}

// The longest video stream; opening a fragmented file already walks its
// fragments. (The subtitle track may run past the last frame.)
double durationOf(const AVFormatContext* context)
{
    double longest = kUnknown;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
            const double seconds =
                static_cast<double>(stream->duration) * av_q2d(stream->time_base);
            longest = known(longest) ? std::max(longest, seconds) : seconds;
        }
    }
    if (!known(longest) && context->duration != AV_NOPTS_VALUE && context->duration > 0) {
        longest = static_cast<double>(context->duration) / AV_TIME_BASE;
    }
    return longest;
}

bool hasVideo(const AVFormatContext* context)
{
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            return true;
        }
    }
    return false;
}

} // namespace

VideoRead VideoFile::read(const QString& path)
{
    // The index lists what is wrong with a file; FFmpeg's own lines would
    // only repeat it on the terminal.
    av_log_set_level(AV_LOG_QUIET);
    VideoRead out;
    const QFileInfo info(path);
    Recording& r = out.recording;
    r.name = info.completeBaseName();
    r.videoFile = info.fileName();

    AVFormatContext* raw = nullptr;
    const int rc = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    const Input input(raw);
    if (rc < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(rc, reason, sizeof reason);
        out.problem = tr("无法读取的视频（%1）").arg(QString::fromUtf8(reason));
        return out;
    }
    if (!hasVideo(input.get())) {
        out.problem = tr("文件中没有视频流");
        return out;
    }
    r.durationS = durationOf(input.get());
    if (!known(r.durationS)) {
        out.problem = tr("视频中没有可播放的画面");
        return out;
    }
    const NameFields name = parseFileName(r.name, false);
    if (!tag(input.get(), kFormatTag).isEmpty()) {
        out.hasRecord = true;
        for (const QString& key : projectKeys()) {
            out.project.insert(key, tag(input.get(), key.toUtf8().constData()));
        }
        const QDateTime start =
            QDateTime::fromString(tag(input.get(), kStartTag), Qt::ISODateWithMs);
        if (start.isValid()) {
            r.startMs = start.toMSecsSinceEpoch();
            r.startText = start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
    } else if (!name.ok) {
        out.problem = tr("既无检测记录，文件名也不是录像的名称");
        return out;
    }
    if (r.startMs == 0 && name.ok) {
        r.startMs = name.timeMs;
        r.startText = name.timeText;
    }
    out.usable = true;
    return out;
}
