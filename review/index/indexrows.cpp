#include "indexrows.h"

#include "indexdatabase.h"

namespace indexrows {

// The identity keys come first in the table's UNIQUE constraint.
const char* const kProjectColumns = "id, unitcompany, inspector, no, taskname, location, "
                                    "startwellno, endwellno, pipdiameter, direction, piptype, "
                                    "pipmeterial, description";

const char* const kRecordingColumns =
    "name, ifnull(project_id, 0), ifnull(video_file, ''), ifnull(csv_file, ''), "
    "ifnull(start_ms, 0), start_text, ifnull(video_duration_s, telemetry_duration_s), "
    "min_distance_m, max_distance_m";

const char* const kSnapshotColumns =
    "file, ifnull(project_id, 0), has_record, ifnull(time_ms, 0), time_text, distance_m, cable_m, "
    "roll_deg, pitch_deg, heading_deg, ifnull(recording, ''), offset_s";

const char* const kObservationColumns =
    "o.id, o.snapshot, o.code_table, o.code, o.name, o.kind, o.scored, ifnull(o.grade, 0), "
    "ifnull(o.clock_from, 0), ifnull(o.clock_to, 0), o.continuous, o.start_m, o.end_m, "
    "o.end_snapshot, o.remark";

const char* const kObservationOrder =
    "ORDER BY s.distance_m IS NULL, s.distance_m, s.time_ms, s.file, o.id";

const char* const kSectionColumns =
    "s.length_m, ifnull(s.area_class, -1), s.soil, ifnull(s.laid_year, 0), s.start_depth_m, "
    "s.end_depth_m, s.inspected_by, s.checked_by, s.approved_by";

const char* const kSectionOfProject =
    "section s JOIN project p ON p.no = s.no AND p.taskname = s.taskname AND "
    "p.location = s.location AND p.startwellno = s.startwellno AND p.endwellno = s.endwellno";

QString text(qint64 value)
{
    return QString::number(value);
}

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString optionalInt(int value)
{
    return value != 0 ? QString::number(value) : QString();
}

Project projectFrom(const QStringList& row)
{
    Project project;
    project.id = row.value(0).toLongLong();
    for (int i = 0; i < projectKeys().size(); ++i) {
        project.fields.insert(projectKeys()[i], row.value(i + 1));
    }
    return project;
}

Recording recordingFrom(const QStringList& row)
{
    Recording r;
    r.name = row.value(0);
    r.projectId = row.value(1).toLongLong();
    r.videoFile = row.value(2);
    r.csvFile = row.value(3);
    r.startMs = row.value(4).toLongLong();
    r.startText = row.value(5);
    r.durationS = sqlDouble(row.value(6));
    r.minDistanceM = sqlDouble(row.value(7));
    r.maxDistanceM = sqlDouble(row.value(8));
    return r;
}

Snapshot snapshotFrom(const QStringList& row)
{
    Snapshot s;
    s.file = row.value(0);
    s.projectId = row.value(1).toLongLong();
    s.hasRecord = row.value(2) == QLatin1String("1");
    s.timeMs = row.value(3).toLongLong();
    s.timeText = row.value(4);
    s.distanceM = sqlDouble(row.value(5));
    s.cableM = sqlDouble(row.value(6));
    s.rollDeg = sqlDouble(row.value(7));
    s.pitchDeg = sqlDouble(row.value(8));
    s.headingDeg = sqlDouble(row.value(9));
    s.recording = row.value(10);
    s.offsetS = sqlDouble(row.value(11));
    return s;
}

Observation observationFrom(const QStringList& row)
{
    Observation o;
    o.id = row.value(0).toLongLong();
    o.snapshot = row.value(1);
    o.codeTable = row.value(2);
    o.code = row.value(3);
    o.name = row.value(4);
    o.kind = row.value(5);
    o.scored = row.value(6) == QLatin1String("1");
    o.grade = row.value(7).toInt();
    o.clockFrom = row.value(8).toInt();
    o.clockTo = row.value(9).toInt();
    o.continuous = row.value(10);
    o.startM = sqlDouble(row.value(11));
    o.endM = sqlDouble(row.value(12));
    o.endSnapshot = row.value(13);
    o.remark = row.value(14);
    return o;
}

SectionData sectionFrom(const QStringList& row)
{
    SectionData data;
    data.lengthM = sqlDouble(row.value(0));
    data.areaClass = row.value(1).toInt();
    data.soil = row.value(2);
    data.laidYear = row.value(3).toInt();
    data.startDepthM = sqlDouble(row.value(4));
    data.endDepthM = sqlDouble(row.value(5));
    data.inspectedBy = row.value(6);
    data.checkedBy = row.value(7);
    data.approvedBy = row.value(8);
    return data;
}

QStringList observationValues(const Observation& o)
{
    return {o.snapshot,
            o.codeTable,
            o.code,
            o.name,
            o.kind,
            flag(o.scored),
            optionalInt(o.grade),
            optionalInt(o.clockFrom),
            optionalInt(o.clockTo),
            o.continuous,
            sqlNumber(o.startM),
            sqlNumber(o.endM),
            o.endSnapshot,
            o.remark};
}

} // namespace indexrows
