#include "folderscanner.h"

#include "filenamefields.h"
#include "snapshotfile.h"
#include "telemetryfile.h"
#include "videofile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

const QString kVideo = QStringLiteral("video");
const QString kTelemetry = QStringLiteral("telemetry");
const QString kSnapshot = QStringLiteral("snapshot");

QString kindOf(const QFileInfo& info)
{
    const QString suffix = info.suffix().toLower();
    if (suffix == QLatin1String("mp4")) {
        return kVideo;
    }
    if (suffix == QLatin1String("csv")) {
        return kTelemetry;
    }
    return kSnapshot;
}

} // namespace

ScanResult FolderScanner::scan(const QString& folder)
{
    ScanResult result;
    // A folder that is gone (an unplugged drive) says nothing about its files.
    if (!QFileInfo(folder).isDir()) {
        return result;
    }
    // Hidden too: a location starting with "." makes a hidden name. Files
    // that cannot be read are listed with their problem.
    const QFileInfoList present = QDir(folder).entryInfoList(
        {"*.mp4", "*.csv", "*.jpg", "*.jpeg"}, QDir::Files | QDir::Hidden, QDir::Name);
    const QHash<QString, FileEntry> known = m_index.files();
    IndexDatabase::Transaction transaction(m_index.database());

    QSet<QString> seen;
    for (const QFileInfo& info : present) {
        seen.insert(info.fileName());
        const FileEntry entry{info.fileName(), kindOf(info),
                              info.size(),     info.lastModified().toMSecsSinceEpoch(),
                              QString(),       true};
        const auto it = known.find(entry.name);
        if (it != known.end() && it->size == entry.size && it->mtimeMs == entry.mtimeMs) {
            ++result.unchanged;
            continue;
        }
        if (!readFile(info.filePath(), entry)) {
            return result;
        }
        ++result.read;
    }
    for (auto it = known.begin(); it != known.end(); ++it) {
        if (!seen.contains(it.key())) {
            if (!m_index.removeFile(it.key())) {
                return result;
            }
            ++result.removed;
        }
    }
    if (result.read > 0 || result.removed > 0) {
        if (!assignProjectsByName() || !m_index.linkSnapshotsToRecordings(kRecordingSlackMs) ||
            !m_index.dropUnusedProjects()) {
            return result;
        }
    }
    result.ok = transaction.commit();
    return result;
}

bool FolderScanner::readFile(const QString& path, const FileEntry& entry)
{
    FileEntry stored = entry;
    if (entry.kind == kVideo) {
        VideoRead video = VideoFile::read(path);
        stored.problem = video.problem;
        stored.usable = video.usable;
        if (!m_index.putFile(stored)) {
            return false;
        }
        if (video.usable) {
            if (video.hasRecord) {
                video.recording.projectId = m_index.projectFor(video.project, true);
            }
            return m_index.putVideo(video.recording, video.hasRecord);
        }
        return true;
    }
    if (entry.kind == kTelemetry) {
        const TelemetryRead telemetry = TelemetryFile::read(path);
        stored.problem = telemetry.problem;
        stored.usable = telemetry.usable;
        return m_index.putFile(stored) &&
               (!telemetry.usable || m_index.putTelemetry(telemetry.recording, telemetry.profile));
    }
    SnapshotRead snapshot = SnapshotFile::read(path);
    stored.problem = snapshot.problem;
    stored.usable = snapshot.usable;
    if (!m_index.putFile(stored)) {
        return false;
    }
    if (!snapshot.usable) {
        return true;
    }
    snapshot.snapshot.hasRecord = snapshot.hasRecord;
    if (snapshot.hasRecord) {
        snapshot.snapshot.projectId = m_index.projectFor(snapshot.project, true);
    }
    return m_index.putSnapshot(snapshot.snapshot);
}

bool FolderScanner::assignProjectsByName()
{
    const QVector<Project> projects = m_index.projects();
    for (const InspectionIndex::NamedItem& item : m_index.itemsWithoutRecord()) {
        const QString baseName = QFileInfo(item.name).completeBaseName();
        const QString name = item.snapshot ? baseName : item.name;
        // The longest matching project, the newest of equals.
        qint64 best = 0;
        int bestLength = 0;
        for (const Project& project : projects) {
            const int length = projectPrefixLength(name, item.snapshot, project.fields);
            if (length > 0 && length >= bestLength) {
                best = project.id;
                bestLength = length;
            }
        }
        if (best == 0) {
            best = m_index.projectFor(parseFileName(name, item.snapshot).project, false);
        }
        if (best != item.projectId && !m_index.setProject(item, best)) {
            return false;
        }
    }
    return true;
}
