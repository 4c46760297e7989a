#include "inspectionindex.h"

#include "indexrows.h"

#include <QHash>

using namespace indexrows;

QHash<qint64, SectionData> InspectionIndex::sectionsWhere(const char* where,
                                                          const QStringList& params)
{
    QHash<qint64, SectionData> sections;
    const QByteArray sql = QStringLiteral("SELECT p.id, %1 FROM %2 %3")
                               .arg(kSectionColumns, kSectionOfProject, where)
                               .toUtf8();
    for (const QStringList& row : m_db.query(sql.constData(), params)) {
        sections.insert(row.value(0).toLongLong(), sectionFrom(row.mid(1)));
    }
    return sections;
}

SectionData InspectionIndex::section(qint64 projectId)
{
    return sectionsWhere("WHERE p.id = ?1", {text(projectId)}).value(projectId);
}

bool InspectionIndex::putSection(qint64 projectId, const SectionData& d)
{
    return m_db.exec(
        "INSERT OR REPLACE INTO section(no, taskname, location, startwellno, endwellno, "
        "length_m, area_class, soil, laid_year, start_depth_m, end_depth_m, inspected_by, "
        "checked_by, approved_by) SELECT no, taskname, location, startwellno, endwellno, ?2, ?3, "
        "ifnull(?4, ''), ?5, ?6, ?7, ifnull(?8, ''), ifnull(?9, ''), ifnull(?10, '') "
        "FROM project WHERE id = ?1",
        {text(projectId), sqlNumber(d.lengthM),
         d.areaClass == SectionData::kNoAreaClass ? QString() : QString::number(d.areaClass),
         d.soil, optionalInt(d.laidYear), sqlNumber(d.startDepthM), sqlNumber(d.endDepthM),
         d.inspectedBy, d.checkedBy, d.approvedBy});
}

SectionRecords InspectionIndex::sectionRecords(qint64 projectId)
{
    SectionRecords records;
    records.project = projectsWhere("WHERE id = ?1", {text(projectId)}).value(0);
    records.data = section(projectId);
    records.recordings = recordings(projectId);
    records.snapshots = snapshots(projectId);
    records.observations = projectObservations(projectId);
    return records;
}

QVector<SectionRecords> InspectionIndex::allSectionRecords()
{
    QVector<SectionRecords> all;
    QHash<qint64, int> at; // project -> its place in all
    const QHash<qint64, SectionData> sections = sectionsWhere("", {});
    for (const Project& p : projects()) {
        at.insert(p.id, static_cast<int>(all.size()));
        all.push_back({p, sections.value(p.id), {}, {}, {}});
    }
    // Rows come in each project's order; appended in turn they stay in it.
    for (const Recording& r : recordingsWhere("WHERE project_id IS NOT NULL", {})) {
        all[at.value(r.projectId)].recordings.push_back(r);
    }
    QHash<QString, qint64> projectOf;
    for (const Snapshot& s : snapshotsWhere("WHERE project_id IS NOT NULL", {})) {
        all[at.value(s.projectId)].snapshots.push_back(s);
        projectOf.insert(s.file, s.projectId);
    }
    const QString observations =
        QStringLiteral("FROM observation o JOIN snapshot s ON s.file = o.snapshot "
                       "WHERE s.project_id IS NOT NULL %1")
            .arg(kObservationOrder);
    for (const Observation& o : observationsWhere(observations, {})) {
        all[at.value(projectOf.value(o.snapshot))].observations.push_back(o);
    }
    return all;
}
