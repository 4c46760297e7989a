#include "inspectionindex.h"

#include "indexrows.h"

using namespace indexrows;

const QStringList& projectKeys()
{
    static const QStringList keys{"unitcompany", "inspector",   "no",          "taskname",
                                  "location",    "startwellno", "endwellno",   "pipdiameter",
                                  "direction",   "piptype",     "pipmeterial", "description"};
    return keys;
}

const QStringList& projectIdentityKeys()
{
    static const QStringList keys{"no", "taskname", "location", "startwellno", "endwellno"};
    return keys;
}

QHash<QString, FileEntry> InspectionIndex::files()
{
    QHash<QString, FileEntry> entries;
    const SqlRows rows = m_db.query("SELECT name, kind, size, mtime_ms, problem, usable FROM file");
    entries.reserve(rows.size());
    for (const QStringList& row : rows) {
        FileEntry entry{row.value(0),
                        row.value(1),
                        row.value(2).toLongLong(),
                        row.value(3).toLongLong(),
                        row.value(4),
                        row.value(5) == QLatin1String("1")};
        entries.insert(entry.name, entry);
    }
    return entries;
}

QVector<FileEntry> InspectionIndex::problems()
{
    QVector<FileEntry> entries;
    const SqlRows rows = m_db.query("SELECT name, kind, size, mtime_ms, problem, usable FROM file "
                                    "WHERE problem <> '' ORDER BY name");
    for (const QStringList& row : rows) {
        entries.push_back({row.value(0), row.value(1), row.value(2).toLongLong(),
                           row.value(3).toLongLong(), row.value(4),
                           row.value(5) == QLatin1String("1")});
    }
    return entries;
}

bool InspectionIndex::putFile(const FileEntry& entry)
{
    return removeFile(entry.name) &&
           m_db.exec("INSERT INTO file(name, kind, size, mtime_ms, problem, usable) "
                     "VALUES (?1, ?2, ?3, ?4, ifnull(?5, ''), ?6)",
                     {entry.name, entry.kind, text(entry.size), text(entry.mtimeMs), entry.problem,
                      flag(entry.usable)});
}

bool InspectionIndex::removeFile(const QString& name)
{
    return m_db.exec("UPDATE recording SET video_file = NULL, has_record = 0, "
                     "video_duration_s = NULL WHERE video_file = ?1",
                     {name}) &&
           m_db.exec("UPDATE recording SET csv_file = NULL, telemetry_duration_s = NULL, "
                     "min_distance_m = NULL, max_distance_m = NULL WHERE csv_file = ?1",
                     {name}) &&
           m_db.exec("DELETE FROM recording WHERE video_file IS NULL AND csv_file IS NULL") &&
           m_db.exec("DELETE FROM file WHERE name = ?1", {name});
}

qint64 InspectionIndex::projectFor(const ProjectFields& fields, bool fromRecord)
{
    QStringList identity;
    for (const QString& key : projectIdentityKeys()) {
        identity << fields.value(key);
    }
    const char* const find = "SELECT id FROM project WHERE no = ifnull(?1, '') AND "
                             "taskname = ifnull(?2, '') AND location = ifnull(?3, '') AND "
                             "startwellno = ifnull(?4, '') AND endwellno = ifnull(?5, '')";
    SqlRows found = m_db.query(find, identity);
    if (found.isEmpty()) {
        m_db.exec("INSERT INTO project(no, taskname, location, startwellno, endwellno) "
                  "VALUES (ifnull(?1, ''), ifnull(?2, ''), ifnull(?3, ''), ifnull(?4, ''), "
                  "ifnull(?5, ''))",
                  identity);
        found = m_db.query(find, identity);
    }
    const qint64 id = found.value(0).value(0).toLongLong();
    if (id != 0 && fromRecord) {
        m_db.exec("UPDATE project SET unitcompany = ifnull(?2, ''), inspector = ifnull(?3, ''), "
                  "pipdiameter = ifnull(?4, ''), direction = ifnull(?5, ''), "
                  "piptype = ifnull(?6, ''), pipmeterial = ifnull(?7, ''), "
                  "description = ifnull(?8, ''), from_record = 1 WHERE id = ?1",
                  {text(id), fields.value("unitcompany"), fields.value("inspector"),
                   fields.value("pipdiameter"), fields.value("direction"), fields.value("piptype"),
                   fields.value("pipmeterial"), fields.value("description")});
    }
    return id;
}

QVector<Project> InspectionIndex::projectsWhere(const char* where, const QStringList& params)
{
    QVector<Project> projects;
    const QByteArray sql = QStringLiteral("SELECT %1 FROM project %2 ORDER BY id")
                               .arg(kProjectColumns, where)
                               .toUtf8();
    for (const QStringList& row : m_db.query(sql.constData(), params)) {
        projects.push_back(projectFrom(row));
    }
    return projects;
}

QVector<Project> InspectionIndex::projects()
{
    return projectsWhere("", {});
}

bool InspectionIndex::dropUnusedProjects()
{
    return m_db.exec("DELETE FROM project WHERE id NOT IN (SELECT project_id FROM snapshot WHERE "
                     "project_id IS NOT NULL UNION SELECT project_id FROM recording WHERE "
                     "project_id IS NOT NULL)");
}

bool InspectionIndex::putVideo(const Recording& r, bool hasRecord)
{
    // A record's project and start win over what the name says.
    return m_db.exec(
        "INSERT INTO recording(name, project_id, video_file, has_record, start_ms, start_text, "
        "video_duration_s) VALUES (?1, ?2, ?3, ?4, ?5, ifnull(?6, ''), ?7) "
        "ON CONFLICT(name) DO UPDATE SET video_file = ?3, has_record = ?4, "
        "video_duration_s = ?7, "
        "project_id = CASE WHEN ?4 THEN ?2 ELSE project_id END, "
        "start_ms = CASE WHEN ?4 OR start_ms IS NULL THEN ?5 ELSE start_ms END, "
        "start_text = CASE WHEN ?4 OR start_text = '' THEN ifnull(?6, '') ELSE start_text END",
        {r.name, r.projectId != 0 ? text(r.projectId) : QString(), r.videoFile, flag(hasRecord),
         r.startMs != 0 ? text(r.startMs) : QString(), r.startText, sqlNumber(r.durationS)});
}

bool InspectionIndex::putTelemetry(const Recording& r, const QVector<ProfilePoint>& profile)
{
    if (!m_db.exec("INSERT INTO recording(name, csv_file, start_ms, start_text, "
                   "telemetry_duration_s, min_distance_m, max_distance_m) "
                   "VALUES (?1, ?2, ?3, ifnull(?4, ''), ?5, ?6, ?7) "
                   "ON CONFLICT(name) DO UPDATE SET csv_file = ?2, telemetry_duration_s = ?5, "
                   "min_distance_m = ?6, max_distance_m = ?7",
                   {r.name, r.csvFile, r.startMs != 0 ? text(r.startMs) : QString(), r.startText,
                    sqlNumber(r.durationS), sqlNumber(r.minDistanceM),
                    sqlNumber(r.maxDistanceM)})) {
        return false;
    }
    for (const ProfilePoint& p : profile) {
        if (!m_db.exec("INSERT INTO profile(csv_file, video_time_s, distance_m, roll_deg, "
                       "pitch_deg) VALUES (?1, ?2, ?3, ?4, ?5)",
                       {r.csvFile, sqlNumber(p.videoTimeS), sqlNumber(p.distanceM),
                        sqlNumber(p.rollDeg), sqlNumber(p.pitchDeg)})) {
            return false;
        }
    }
    return true;
}

QVector<Recording> InspectionIndex::recordingsWhere(const char* where, const QStringList& params)
{
    QVector<Recording> list;
    const QByteArray sql = QStringLiteral("SELECT %1 FROM recording %2 ORDER BY start_ms, name")
                               .arg(kRecordingColumns, where)
                               .toUtf8();
    for (const QStringList& row : m_db.query(sql.constData(), params)) {
        list.push_back(recordingFrom(row));
    }
    return list;
}

QVector<Recording> InspectionIndex::recordings(qint64 projectId)
{
    return recordingsWhere("WHERE project_id = ?1", {text(projectId)});
}

QVector<ProfilePoint> InspectionIndex::profile(qint64 projectId)
{
    QVector<ProfilePoint> points;
    const SqlRows rows =
        m_db.query("SELECT p.video_time_s, p.distance_m, p.roll_deg, p.pitch_deg FROM profile p "
                   "JOIN recording r ON r.csv_file = p.csv_file WHERE r.project_id = ?1 "
                   "ORDER BY r.start_ms, r.name, p.rowid",
                   {text(projectId)});
    points.reserve(rows.size());
    for (const QStringList& row : rows) {
        points.push_back({sqlDouble(row.value(0)), sqlDouble(row.value(1)), sqlDouble(row.value(2)),
                          sqlDouble(row.value(3))});
    }
    return points;
}

bool InspectionIndex::putSnapshot(const Snapshot& s)
{
    return m_db.exec(
        "INSERT OR REPLACE INTO snapshot(file, project_id, has_record, time_ms, time_text, "
        "distance_m, cable_m, roll_deg, pitch_deg, heading_deg, recording, offset_s) "
        "VALUES (?1, ?2, ?3, ?4, ifnull(?5, ''), ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
        {s.file, s.projectId != 0 ? text(s.projectId) : QString(), flag(s.hasRecord),
         s.timeMs != 0 ? text(s.timeMs) : QString(), s.timeText, sqlNumber(s.distanceM),
         sqlNumber(s.cableM), sqlNumber(s.rollDeg), sqlNumber(s.pitchDeg), sqlNumber(s.headingDeg),
         s.recording, sqlNumber(s.offsetS)});
}

QVector<Snapshot> InspectionIndex::snapshotsWhere(const char* where, const QStringList& params)
{
    QVector<Snapshot> list;
    const QByteArray sql = QStringLiteral("SELECT %1 FROM snapshot %2 "
                                          "ORDER BY distance_m IS NULL, distance_m, time_ms, file")
                               .arg(kSnapshotColumns, where)
                               .toUtf8();
    for (const QStringList& row : m_db.query(sql.constData(), params)) {
        list.push_back(snapshotFrom(row));
    }
    return list;
}

QVector<Snapshot> InspectionIndex::snapshots(qint64 projectId)
{
    return snapshotsWhere("WHERE project_id = ?1", {text(projectId)});
}

QVector<InspectionIndex::NamedItem> InspectionIndex::itemsWithoutRecord()
{
    QVector<NamedItem> items;
    const SqlRows rows = m_db.query("SELECT file, 1, ifnull(project_id, 0) FROM snapshot WHERE "
                                    "has_record = 0 UNION ALL SELECT name, 0, "
                                    "ifnull(project_id, 0) FROM recording WHERE has_record = 0");
    for (const QStringList& row : rows) {
        items.push_back(
            {row.value(0), row.value(1) == QLatin1String("1"), row.value(2).toLongLong()});
    }
    return items;
}

bool InspectionIndex::setProject(const NamedItem& item, qint64 projectId)
{
    return item.snapshot ? m_db.exec("UPDATE snapshot SET project_id = ?2 WHERE file = ?1",
                                     {item.name, text(projectId)})
                         : m_db.exec("UPDATE recording SET project_id = ?2 WHERE name = ?1",
                                     {item.name, text(projectId)});
}

bool InspectionIndex::linkSnapshotsToRecordings(qint64 slackMs)
{
    return m_db.exec(
        "UPDATE snapshot SET recording = (SELECT r.name FROM recording r WHERE "
        "r.project_id = snapshot.project_id AND r.start_ms IS NOT NULL AND "
        "snapshot.time_ms BETWEEN r.start_ms AND r.start_ms + "
        "CAST(1000 * ifnull(ifnull(r.video_duration_s, r.telemetry_duration_s), 0) AS INTEGER) "
        "+ ?1 ORDER BY r.start_ms DESC LIMIT 1) WHERE has_record = 0",
        {text(slackMs)});
}

QVector<Observation> InspectionIndex::observationsWhere(const QString& fromWhere,
                                                        const QStringList& params)
{
    QVector<Observation> list;
    const QByteArray sql =
        QStringLiteral("SELECT %1 %2").arg(kObservationColumns, fromWhere).toUtf8();
    for (const QStringList& row : m_db.query(sql.constData(), params)) {
        list.push_back(observationFrom(row));
    }
    return list;
}

QVector<Observation> InspectionIndex::observations(const QString& snapshot)
{
    return observationsWhere("FROM observation o WHERE o.snapshot = ?1 ORDER BY o.id", {snapshot});
}

QVector<Observation> InspectionIndex::projectObservations(qint64 projectId)
{
    return observationsWhere(QStringLiteral("FROM observation o JOIN snapshot s ON "
                                            "s.file = o.snapshot WHERE s.project_id = ?1 %1")
                                 .arg(kObservationOrder),
                             {text(projectId)});
}

qint64 InspectionIndex::addObservation(const Observation& o)
{
    IndexDatabase::Transaction transaction(m_db);
    if (!m_db.exec("INSERT INTO observation(snapshot, code_table, code, name, kind, scored, grade, "
                   "clock_from, clock_to, continuous, start_m, end_m, end_snapshot, remark) "
                   "VALUES (?1, ifnull(?2, ''), ifnull(?3, ''), ifnull(?4, ''), ifnull(?5, ''), "
                   "?6, ?7, ?8, ?9, ifnull(?10, ''), ?11, ?12, ifnull(?13, ''), ifnull(?14, ''))",
                   observationValues(o))) {
        return 0;
    }
    const qint64 id = m_db.query("SELECT last_insert_rowid()").value(0).value(0).toLongLong();
    return transaction.commit() ? id : 0;
}

bool InspectionIndex::updateObservation(const Observation& o)
{
    return m_db.exec("UPDATE observation SET snapshot = ?1, code_table = ifnull(?2, ''), "
                     "code = ifnull(?3, ''), name = ifnull(?4, ''), kind = ifnull(?5, ''), "
                     "scored = ?6, grade = ?7, clock_from = ?8, clock_to = ?9, "
                     "continuous = ifnull(?10, ''), start_m = ?11, end_m = ?12, "
                     "end_snapshot = ifnull(?13, ''), remark = ifnull(?14, '') WHERE id = ?15",
                     observationValues(o) << text(o.id));
}

bool InspectionIndex::removeObservation(qint64 id)
{
    return m_db.exec("DELETE FROM observation WHERE id = ?1", {text(id)});
}
