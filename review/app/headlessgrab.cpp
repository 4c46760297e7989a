#include "headlessgrab.h"

#include "framegrab.h"
#include "headlessreport.h"
#include "inspectionfolder.h"
#include "telquinlibrary.h"
#include "videodecoder.h"

#include <QDir>

#include <cstring>
#include <iostream>

namespace {

const char* const kOption = "--grab";

void say(const QString& line)
{
    std::cerr << line.toStdString() << std::endl;
}

// The recording of that name in the folder's index; an empty one when none.
Recording recordingNamed(InspectionIndex& index, const QString& name)
{
    for (const Project& p : index.projects()) {
        for (const Recording& r : index.recordings(p.id)) {
            if (r.name == name) {
                return r;
            }
        }
    }
    return {};
}

} // namespace

bool HeadlessGrab::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kOption) == 0) {
            return true;
        }
    }
    return false;
}

int HeadlessGrab::run(const QStringList& arguments)
{
    const int at = static_cast<int>(arguments.indexOf(QLatin1String(kOption)));
    bool number = false;
    const double seconds = arguments.value(at + 3).toDouble(&number);
    if (arguments.size() != at + 4 || !number || !(seconds >= 0)) {
        say(tr("用法：moravel-review --grab <文件夹> <录像名（不含 .mp4）> <秒>"));
        return HeadlessReport::kUsage;
    }
    TelquinLibrary telquin;
    if (telquin.system() == nullptr) {
        say(tr("无法加载 Telquin：%1").arg(telquin.error()));
        return HeadlessReport::kFailed;
    }
    InspectionFolder folder(telquin.system());
    QString notice;
    QString error;
    const bool opened = folder.open(arguments.value(at + 1), &notice, &error);
    if (!notice.isEmpty()) {
        say(notice);
    }
    if (!opened) {
        say(error);
        return HeadlessReport::kFailed;
    }
    const QString name = arguments.value(at + 2);
    const Recording recording = recordingNamed(folder.index(), name);
    if (recording.videoFile.isEmpty()) {
        say(recording.name.isEmpty() ? tr("文件夹中没有录像 %1").arg(name)
                                     : tr("录像 %1 没有视频文件").arg(name));
        return HeadlessReport::kFailed;
    }
    const QDir dir(folder.folder());
    VideoDecoder decoder;
    if (!decoder.open(dir.filePath(recording.videoFile)) || !decoder.seek(seconds)) {
        say(tr("无法播放 %1：%2").arg(recording.videoFile, decoder.problem()));
        return HeadlessReport::kFailed;
    }
    const TelemetryTrack track = TelemetryTrack::read(
        recording.csvFile.isEmpty() ? QString() : dir.filePath(recording.csvFile));
    const GrabMoment moment =
        FrameGrab::moment(folder.index(), folder.folder(), recording, decoder.time(), track);
    const QString file = FrameGrab::write(decoder.picture(), moment, &error);
    if (file.isEmpty()) {
        say(error);
        return HeadlessReport::kFailed;
    }
    if (!folder.rescan(&error)) {
        say(error);
    }
    std::cout << file.toStdString() << std::endl;
    return HeadlessReport::kDone;
}
