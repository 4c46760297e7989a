#include "recording.h"

#include "VideoCodec.h"
#include "consolelog.h"
#include "filenames.h"
#include "framepath.h"
#include "inisettings.h"
#include "overlay.h"
#include "recordingwriter.h"
#include "snapshot.h"
#include "threadcheck.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <string>
#include <utility>

namespace {

const char* const kFpsKey = "/came/fps";
const char* const kCodecKey = "/came/codec";
constexpr int kMinFps = 1;
const char* const kFormatVersion = "1";

// The video code /came/codec names: empty or "xvid" MPEG-4 Part 2, "h264"
// H.264; 0 for anything else.
int videoCode(const QString& setting)
{
    const QString name = setting.trimmed().toLower();
    if (name.isEmpty() || name == QLatin1String("xvid"))
        return recorder::Fourcc('x', 'v', 'i', 'd');
    if (name == QLatin1String("h264"))
        return recorder::Fourcc('a', 'v', 'c', '1');
    return 0;
}

// The project and the start, as the file's tags.
std::vector<std::pair<std::string, std::string>> recordingTags(const ProjectInfo& info,
                                                               const QDateTime& start)
{
    std::vector<std::pair<std::string, std::string>> tags;
    for (const auto& [key, value] : projectFields(info))
        tags.emplace_back(key.toStdString(), value.toUtf8().toStdString());
    tags.emplace_back("start_time", isoWallTime(start).toStdString());
    tags.emplace_back("moravel_format", kFormatVersion);
    return tags;
}

} // namespace

Recording::Recording(FramePath& framePath, const Overlay& overlay, FolderSource saveFolder,
                     QObject* parent, int headerPhaseMs)
    : QObject(parent), m_framePath(framePath), m_overlay(overlay),
      m_saveFolder(std::move(saveFolder)), m_pTimer(new QTimer(this)),
      m_pTimerSave(new QTimer(this))
{
    m_pTimer->setTimerType(Qt::PreciseTimer);
    m_pTimer->setInterval(kWriteTickMs);
    m_pTimerSave->setInterval(headerPhaseMs);
    connect(m_pTimer, &QTimer::timeout, this, &Recording::SaveMatInfoFromQueue);
    connect(m_pTimerSave, &QTimer::timeout, this, [this] {
        m_framePath.endHeaderPhase();
        m_pTimerSave->stop();
    });
}

Recording::~Recording()
{
    m_framePath.stopRecording();
    m_pTimer->stop();
    {
        const std::lock_guard<std::mutex> lock(m_statusMutex);
        m_telemetryTo = nullptr;
    }
    // All close side by side; each destructor then waits for its files.
    if (m_writer)
        m_writer->close(RecordingClock::now());
    m_writer.reset();
    m_closing.clear();
}

bool Recording::isRecording() const
{
    return m_framePath.isRecording();
}

bool Recording::isClosing() const
{
    return !m_closing.empty() || m_bClosedDue;
}

uint64_t Recording::framesWritten() const
{
    return m_writer ? m_writer->framesWritten() : 0;
}

bool Recording::recordAction()
{
    MORAVEL_ASSERT_GUI_THREAD();
    const bool on = StartOrStopSaveVideo();
    if (on) {
        if (!m_pTimer->isActive()) {
            m_pTimer->start();
        }
        qDebug() << "m_pTimer start";
        if (!m_pTimerSave->isActive()) {
            m_pTimerSave->start();
        }
    } else {
        qDebug() << "m_pTimer Stop";
        m_pTimer->stop();
        qDebug() << "m_pTimerSave updataStatus start";
        m_pTimerSave->stop();
        qDebug() << "m_pTimerSave updataStatus end";
    }
    emit recordingChanged(on);
    return on;
}

bool Recording::StartOrStopSaveVideo()
{
    if (isRecording()) {
        stop();
        return false;
    }
    return start();
}

void Recording::stop()
{
    qDebug() << "StartOrStopSaveVideo start" << isRecording();
    const auto end = RecordingClock::now();
    m_framePath.stopRecording();
    qDebug() << "StartOrStopSaveVideo end" << isRecording();
    {
        const std::lock_guard<std::mutex> lock(m_statusMutex);
        m_telemetryTo = nullptr;
    }
    // The frames that came before the stop are written off this thread.
    RecordingWriter* writer = m_writer.get();
    writer->close(end, [this, writer] { m_guiTasks.post([this, writer] { closed(writer); }); });
    m_bClosedDue = true;
}

void Recording::closed(RecordingWriter* writer)
{
    qDebug() << "StartOrStopSaveVideo output release";
    if (writer == m_writer.get())
        m_bClosedDue = false;
    if (writer->failed()) {
        failFile(tr("录像写入失败，已停止"), QString::fromStdString(writer->error()),
                 QString::fromStdString(writer->videoPath()));
    }
    const auto it = std::find_if(m_closing.begin(), m_closing.end(),
                                 [writer](const auto& older) { return older.get() == writer; });
    if (it != m_closing.end())
        m_closing.erase(it);
}

bool Recording::start()
{
    const QDateTime now = QDateTime::currentDateTime();
    const cv::Size size = m_framePath.matSize();
    qDebug() << "StartOrStopSaveVideo" << size.width << size.height;
    if (size.width == 0 || size.height == 0) {
        fail(tr("尚无视频画面，无法开始录像"));
        return false;
    }
    const QString fpsText = GetQStringFromIni(QLatin1String(kFpsKey));
    qDebug() << "StartOrStopSaveVideo fps" << fpsText;
    const int fps = fpsText.toInt(nullptr, 10);
    if (fps < kMinFps) {
        fail(tr("帧率设置无效（%1），无法开始录像").arg(fpsText));
        return false;
    }
    const QString codecText = GetQStringFromIni(QLatin1String(kCodecKey));
    const int fourcc = videoCode(codecText);
    if (fourcc == 0) {
        fail(tr("视频编码设置无效（%1），无法开始录像").arg(codecText));
        return false;
    }
    const QString folder = m_saveFolder ? m_saveFolder() : QString();
    const QFileInfo folderInfo(folder.isEmpty() ? QDir::currentPath() : folder);
    if (!folderInfo.isDir() || !folderInfo.isWritable()) {
        fail(tr("保存目录不可写：%1").arg(folderInfo.filePath()));
        return false;
    }
    const ProjectInfo info = m_overlay.projectInfo();
    const QString name = filenames::inFolder(folder, filenames::videoBaseName(info, now));
    const QString path = filenames::unusedPath(name + QStringLiteral(".mp4"));
    RecordingWriter::File file;
    file.videoPath = path.toUtf8().toStdString();
    file.telemetryPath = path.left(path.size() - 4) + QStringLiteral(".csv");
    file.fourcc = fourcc;
    file.fps = fps;
    file.size = size;
    file.options.subtitles = true;
    file.options.tags = recordingTags(info, now);
    // Its file may be complete, but not yet its report.
    if (m_writer && m_bClosedDue)
        m_closing.push_back(std::move(m_writer));
    m_bClosedDue = false;
    m_writer = std::make_unique<RecordingWriter>();
    const auto startTime = RecordingClock::now();
    if (!m_writer->open(file, m_framePath.frameQueue(), startTime)) {
        failFile(tr("无法创建录像文件"), QString::fromStdString(m_writer->error()), path);
        return false;
    }
    m_videoPath = path;
    m_startTime = startTime;
    qDebug() << "StartOrStopSaveVideo strFileFullPath" << name;
    const std::wstring wideName = name.toStdWString();
    MORAVEL_LOG(L"[Moravel] StartOrStopSaveVideo strFileFullPath [%s] Width[%d] Height[%d]",
                wideName.c_str(), size.width, size.height);
    announceStoredSize(size, m_writer->storedSize());
    // A frame queued just after the last stop must not open this file.
    m_framePath.frameQueue().clear();
    {
        const std::lock_guard<std::mutex> lock(m_statusMutex);
        m_telemetryTo = m_writer.get();
    }
    m_framePath.startRecording(startTime);
    return true;
}

void Recording::announceStoredSize(cv::Size frames, cv::Size stored)
{
    if (stored == frames)
        return;
    MORAVEL_LOG(L"[Moravel] recording [%dx%d] pictures stored scaled to [%dx%d], the largest "
                L"MPEG-4 Part 2 takes",
                frames.width, frames.height, stored.width, stored.height);
    if (m_announced == std::make_pair(frames, stored))
        return;
    m_announced = {frames, stored};
    emit recordingMessage(tr("画面 %1×%2 超出 MPEG-4 编码的范围，录像按 %3×%4 保存")
                              .arg(frames.width)
                              .arg(frames.height)
                              .arg(stored.width)
                              .arg(stored.height));
}

void Recording::fail(const QString& message)
{
    qDebug() << "Recording" << message;
    emit recordingMessage(message);
}

void Recording::failFile(const QString& what, const QString& reason, const QString& path)
{
    fail(filenames::failureMessage(what, reason, path));
}

void Recording::SaveMatInfoFromQueue()
{
    MORAVEL_ASSERT_GUI_THREAD();
    // The writer finished the file at the failure; its close says why.
    if (m_writer->failed()) {
        recordAction();
        return;
    }
    m_writer->pump();
}

void Recording::receiveStatus(const LinkStatusRecord& record)
{
    const TelemetrySample sample =
        telemetrySample(record, m_overlay.distanceCalibration(), QDateTime::currentDateTime(),
                        RecordingClock::now());
    const std::lock_guard<std::mutex> lock(m_statusMutex);
    m_latestStatus = sample;
    if (m_telemetryTo != nullptr)
        m_telemetryTo->addTelemetry(sample);
}

SnapshotRecord Recording::snapshotRecord(const QDateTime& wallTime) const
{
    SnapshotRecord record;
    record.time = wallTime;
    {
        const std::lock_guard<std::mutex> lock(m_statusMutex);
        record.status = m_latestStatus;
    }
    // The distance the picture and the snapshot's name show.
    if (record.status)
        record.status->distanceM = shownDistance(m_overlay.distanceCalibration());
    if (isRecording()) {
        record.recordingFile = QFileInfo(m_videoPath).fileName();
        record.recordingOffsetS =
            std::chrono::duration<double>(elapsed(RecordingClock::now())).count();
    }
    return record;
}
