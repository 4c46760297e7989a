#include "recording.h"

#include "consolelog.h"
#include "filenames.h"
#include "framepath.h"
#include "inisettings.h"
#include "overlay.h"
#include "recordingwriter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <string>
#include <utility>

namespace {

const char* const kFpsKey = "/came/fps";
constexpr int kMinFps = 1;

} // namespace

Recording::Recording(FramePath& framePath, const Overlay& overlay, FolderSource saveFolder,
                     QObject* parent, int headerPhaseMs)
    : QObject(parent), m_framePath(framePath), m_overlay(overlay),
      m_saveFolder(std::move(saveFolder)), m_writer(std::make_unique<RecordingWriter>()),
      m_pTimer(new QTimer(this)), m_pTimerSave(new QTimer(this))
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
    m_writer->release();
}

bool Recording::isRecording() const
{
    return m_framePath.isRecording();
}

uint64_t Recording::framesWritten() const
{
    return m_writer->framesWritten();
}

bool Recording::recordAction()
{
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
        m_framePath.frameQueue().clear();
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
    m_framePath.stopRecording();
    qDebug() << "StartOrStopSaveVideo end" << isRecording();
    m_writer->release();
    qDebug() << "StartOrStopSaveVideo output release";
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
    const QString folder = m_saveFolder ? m_saveFolder() : QString();
    const QFileInfo folderInfo(folder.isEmpty() ? QDir::currentPath() : folder);
    if (!folderInfo.isDir() || !folderInfo.isWritable()) {
        fail(tr("保存目录不可写：%1").arg(folderInfo.filePath()));
        return false;
    }
    const QString name =
        filenames::inFolder(folder, filenames::videoBaseName(m_overlay.projectInfo(), now));
    const QString path = filenames::unusedPath(name + QStringLiteral(".mp4"));
    const auto startTime = RecordingClock::now();
    if (!m_writer->open(path.toUtf8().toStdString(), fps, size, m_framePath.frameQueue(),
                        startTime)) {
        fail(tr("无法创建录像文件：%1").arg(QString::fromStdString(m_writer->error())));
        return false;
    }
    m_videoPath = path;
    m_startTime = startTime;
    qDebug() << "StartOrStopSaveVideo strFileFullPath" << name;
    const std::wstring wideName = name.toStdWString();
    MORAVEL_LOG(L"[Moravel] StartOrStopSaveVideo strFileFullPath [%s] Width[%d] Height[%d]",
                wideName.c_str(), size.width, size.height);
    // A frame queued just after the last stop must not open this file.
    m_framePath.frameQueue().clear();
    m_framePath.startRecording(startTime);
    return true;
}

void Recording::fail(const QString& message)
{
    qDebug() << "Recording" << message;
    emit recordingMessage(message);
}

void Recording::SaveMatInfoFromQueue()
{
    if (m_writer->failed()) {
        const QString reason = QString::fromStdString(m_writer->error());
        recordAction();
        fail(tr("录像写入失败，已停止：%1").arg(reason));
        return;
    }
    m_writer->pump();
}
