#include "folderscanner.h"

#include "filenamefields.h"
#include "folderlisting.h"
#include "snapshotfile.h"
#include "telemetryfile.h"
#include "videofile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

ScanResult FolderScanner::scan(const QString& folder)
{
    ScanResult result;
    // A folder that is gone (an unplugged drive) says nothing about its files.
    QVector<ListedFile> present;
    if (!QFileInfo(folder).isDir() || !FolderListing::list(folder, &present)) {
        return result;
    }
    const QHash<QString, FileEntry> known = m_index.files();
    QVector<ListedFile> changed;
    QSet<QString> seen;
    for (const ListedFile& file : present) {
        seen.insert(file.name);
        const auto it = known.find(file.name);
        if (it != known.end() && it->size == file.size && it->mtimeMs == file.mtimeMs) {
            ++result.unchanged;
        } else {
            changed.push_back(file);
        }
    }
    QStringList gone;
    for (auto it = known.begin(); it != known.end(); ++it) {
        if (!seen.contains(it.key())) {
            gone << it.key();
        }
    }
    // An index that is up to date is not written at all.
    if (changed.isEmpty() && gone.isEmpty()) {
        result.ok = true;
        return result;
    }

    IndexDatabase::Transaction transaction(m_index.database());
    for (const ListedFile& file : changed) {
        const FileEntry entry{file.name,    file.kind,    file.size,
                              file.mtimeMs, file.problem, file.problem.isEmpty()};
        // Files that cannot be read are listed with their problem.
        if (!(entry.usable ? readFile(QDir(folder).filePath(file.name), entry)
                           : m_index.putFile(entry))) {
            return result;
        }
        ++result.read;
    }
    for (const QString& name : gone) {
        if (!m_index.removeFile(name)) {
            return result;
        }
        ++result.removed;
    }
    if (!assignProjectsByName() || !m_index.linkSnapshotsToRecordings(kRecordingSlackMs) ||
        !m_index.dropUnusedProjects()) {
        return result;
    }
    result.ok = transaction.commit();
    return result;
}

bool FolderScanner::readFile(const QString& path, const FileEntry& entry)
{
    FileEntry stored = entry;
    if (entry.kind == FolderListing::kVideo) {
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
    if (entry.kind == FolderListing::kTelemetry) {
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
