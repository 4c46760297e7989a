// One reading of a recording's file for the decoder: its descriptor,
// FFmpeg's input through a small buffer, and the video stream with its
// decoder. A closed recording can be opened quickly on its fragment index.
#pragma once

#include <QCoreApplication>
#include <QString>

extern "C" {
#include <libavformat/avformat.h>
}

// FFmpeg's text for an error code.
QString avText(int code);

struct VideoInput {
    Q_DECLARE_TR_FUNCTIONS(VideoInput)
public:
    int fd = -1;
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    const AVCodec* decoder = nullptr;
    bool quick = false; // only the fragments' times read

    VideoInput() = default;
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;
    ~VideoInput();
    // Opens path; mayBeQuick reads only the fragment index at the end when
    // there is one, which knows too little for exact seeks. Empty, or the
    // problem.
    QString open(const QString& path, bool mayBeQuick);
};
