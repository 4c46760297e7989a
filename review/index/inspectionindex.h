// The index's records: files with their state, projects, recordings with
// their telemetry profile, snapshots, and the observations coded on them.
#pragma once

#include "indexdatabase.h"
#include "indexrecords.h"

#include <QHash>

// Everything the index holds about one project's pipe section.
struct SectionRecords {
    Project project;
    SectionData data;
    QVector<Recording> recordings;
    QVector<Snapshot> snapshots;       // by distance
    QVector<Observation> observations; // of the present snapshots, by distance
};

class InspectionIndex {
public:
    explicit InspectionIndex(IndexDatabase& db) : m_db(db) {}

    IndexDatabase& database() { return m_db; }

    // Files as last scanned, by name.
    QHash<QString, FileEntry> files();
    // Files with a problem, by name.
    QVector<FileEntry> problems();
    // Replaces what the index holds about the file by entry (what was read
    // from it follows with the put* calls).
    bool putFile(const FileEntry& entry);
    // Forgets the file and what was read from it; observations stay.
    bool removeFile(const QString& name);

    // The project with these fields' identity, made when new. A project
    // taken from a file's record also gets the record's other fields.
    qint64 projectFor(const ProjectFields& fields, bool fromRecord);
    QVector<Project> projects();
    // Projects no file refers to any more are dropped.
    bool dropUnusedProjects();

    // The video part of a recording (projectId 0: assigned from its name later).
    bool putVideo(const Recording& recording, bool hasRecord);
    // The telemetry part of a recording and its profile.
    bool putTelemetry(const Recording& recording, const QVector<ProfilePoint>& profile);
    QVector<Recording> recordings(qint64 projectId);
    // Profile of every recording of the project, each in recording order.
    QVector<ProfilePoint> profile(qint64 projectId);

    bool putSnapshot(const Snapshot& snapshot);
    // Ordered by distance, then time.
    QVector<Snapshot> snapshots(qint64 projectId);

    // Snapshots and recordings whose project comes from their name:
    // (name, is snapshot) -> current project id.
    struct NamedItem {
        QString name;
        bool snapshot = false;
        qint64 projectId = 0;
    };
    QVector<NamedItem> itemsWithoutRecord();
    bool setProject(const NamedItem& item, qint64 projectId);
    // Snapshots without a record belong to the recording of their project
    // that ran when they were taken.
    bool linkSnapshotsToRecordings(qint64 slackMs);

    QVector<Observation> observations(const QString& snapshot);
    // Observations of the project's present snapshots, by distance.
    QVector<Observation> projectObservations(qint64 projectId);
    // Stores a new observation; returns its id, 0 on failure.
    qint64 addObservation(const Observation& observation);
    bool updateObservation(const Observation& observation);
    bool removeObservation(qint64 id);

    // The section data of the project's pipe section; empty when none was entered.
    SectionData section(qint64 projectId);
    bool putSection(qint64 projectId, const SectionData& data);
    // All of the above for one project; an empty project when there is none.
    SectionRecords sectionRecords(qint64 projectId);
    // The same for every project at once, in project order.
    QVector<SectionRecords> allSectionRecords();

private:
    // Rows of "WHERE ..." (or of all, for "").
    QVector<Project> projectsWhere(const char* where, const QStringList& params);
    QVector<Recording> recordingsWhere(const char* where, const QStringList& params);
    QVector<Snapshot> snapshotsWhere(const char* where, const QStringList& params);
    // By project id.
    QHash<qint64, SectionData> sectionsWhere(const char* where, const QStringList& params);
    // Observations of "FROM ... WHERE ... ORDER BY ...".
    QVector<Observation> observationsWhere(const QString& fromWhere, const QStringList& params);

    IndexDatabase& m_db;
};
