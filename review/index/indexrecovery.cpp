#include "indexrecovery.h"

#include "damagedindex.h"
#include "indexschema.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace {

using Row = DamagedIndex::Row;

// Column places in a row read from the pages: the rowid comes first.
enum ObservationColumn {
    kObservationId = 0,
    kObservationSnapshot = 2,
    kObservationScored = 7,
    kObservationContinuous = 11,
    kObservationRemark = 12,
    kObservationVersion1Columns = 13,
    kObservationColumns = 16,
};
constexpr int kSectionColumns = 1 + 14;
constexpr int kSnapshotColumns = 1 + 12;
constexpr int kSnapshotFile = 1;
constexpr int kSnapshotProject = 2;
constexpr int kSnapshotTime = 4;
constexpr int kSnapshotDistance = 6;

bool isText(const QVariant& v)
{
    return v.type() == QVariant::String;
}
bool isInteger(const QVariant& v)
{
    return v.type() == QVariant::LongLong;
}
bool isNumber(const QVariant& v)
{
    return isInteger(v) || v.type() == QVariant::Double;
}
bool orNull(const QVariant& v, bool (*kind)(const QVariant&))
{
    return v.isNull() || kind(v);
}

// Each column's kind, in the order the table holds them after the rowid
// ('t' text, 'i' integer or NULL, 'n' number or NULL, '0' NULL as the rowid
// stands for it, 'o' text or NULL); a row written before columns were
// added lacks them at the end.
bool hasShape(const Row& row, const char* kinds, int fewest)
{
    const int columns = static_cast<int>(std::strlen(kinds));
    if (row.size() < fewest || row.size() > 1 + columns || !isInteger(row[0])) {
        return false;
    }
    for (int i = 1; i < row.size(); ++i) {
        const QVariant& v = row[i];
        const char kind = kinds[i - 1];
        const bool fits = kind == 't'   ? isText(v)
                          : kind == 'i' ? orNull(v, isInteger)
                          : kind == 'n' ? orNull(v, isNumber)
                          : kind == 'o' ? orNull(v, isText)
                                        : v.isNull();
        if (!fits) {
            return false;
        }
    }
    return true;
}

// id, snapshot, code_table, code, name, kind, scored, grade, clock_from,
// clock_to, continuous, remark; then start_m, end_m, end_snapshot.
bool observationShape(const Row& row)
{
    return hasShape(row, "0tttttiiiittnnt", kObservationVersion1Columns) &&
           isInteger(row[kObservationScored]);
}

// The identity, length_m, area_class, soil, laid_year, the depths, the names.
bool sectionShape(const Row& row)
{
    return hasShape(row, "tttttnitinnttt", kSectionColumns);
}

// file, project_id, has_record, time_ms, time_text, five numbers, recording, offset_s.
bool snapshotShape(const Row& row)
{
    return hasShape(row, "tiiitnnnnnon", kSnapshotColumns);
}

// A value as a bound parameter: a number's text, a text, or "" for NULL.
QString parameter(const QVariant& v)
{
    return v.type() == QVariant::Double ? sqlNumber(v.toDouble()) : v.toString();
}

QStringList parameters(const Row& row, int from, int columns)
{
    QStringList values;
    for (int i = from; i < from + columns; ++i) {
        values << parameter(row.value(i));
    }
    return values;
}

void count(const DamagedIndex::Table& table, IndexRecovery& into)
{
    into.lostRows += table.lostRows;
    into.unreadablePages += table.unreadablePages;
    into.tablesFound = into.tablesFound && table.fromSchema;
}

} // namespace

IndexRecovery IndexRecovery::run(IndexDatabase& db, const QString& damaged)
{
    IndexRecovery recovery;
    DamagedIndex file(damaged);
    if (file.userVersion() > IndexDatabase::kSchemaVersion) {
        recovery.newer = true;
        return recovery;
    }
    const DamagedIndex::Table observations = file.table("observation", observationShape);
    count(observations, recovery);
    // Version 1 had no section table.
    const bool version1 = file.userVersion() == 1;
    const DamagedIndex::Table sections =
        version1 ? DamagedIndex::Table() : file.table("section", sectionShape);
    if (!version1) {
        count(sections, recovery);
    }
    // Marks of version 1 are paired by their snapshots' distances, as the
    // migration pairs them; the snapshots of the damaged file stand in for
    // the ones not read yet.
    const bool marks =
        std::any_of(observations.rows.begin(), observations.rows.end(), [](const Row& row) {
            const QString side = row[kObservationContinuous].toString();
            return side == "start" || side == "end";
        });

    IndexDatabase::Transaction transaction(db);
    // A row the new index refuses is lost; the others are taken all the same.
    for (const Row& row : observations.rows) {
        const QStringList values = parameters(row, kObservationId, 1) +
                                   parameters(row, kObservationSnapshot, kObservationColumns - 2);
        const bool taken =
            db.exec("INSERT OR IGNORE INTO observation(id, snapshot, code_table, code, "
                    "name, kind, scored, grade, clock_from, clock_to, continuous, "
                    "remark, start_m, end_m, end_snapshot) VALUES (?1, ifnull(?2, ''), "
                    "ifnull(?3, ''), ifnull(?4, ''), ifnull(?5, ''), ifnull(?6, ''), "
                    "?7, ?8, ?9, ?10, ifnull(?11, ''), ifnull(?12, ''), ?13, ?14, "
                    "ifnull(?15, ''))",
                    values);
        recovery.observations += taken ? 1 : 0;
        recovery.lostRows += taken ? 0 : 1;
    }
    for (const Row& row : sections.rows) {
        const bool taken =
            db.exec("INSERT OR REPLACE INTO section(no, taskname, location, startwellno, "
                    "endwellno, length_m, area_class, soil, laid_year, start_depth_m, "
                    "end_depth_m, inspected_by, checked_by, approved_by) VALUES ("
                    "ifnull(?1, ''), ifnull(?2, ''), ifnull(?3, ''), ifnull(?4, ''), "
                    "ifnull(?5, ''), ?6, ?7, ifnull(?8, ''), ?9, ?10, ?11, ifnull(?12, ''), "
                    "ifnull(?13, ''), ifnull(?14, ''))",
                    parameters(row, 1, kSectionColumns - 1));
        recovery.sections += taken ? 1 : 0;
        recovery.lostRows += taken ? 0 : 1;
    }
    bool done = true;
    if (marks) {
        done = done && db.script("CREATE TEMP TABLE snapshot (file TEXT PRIMARY KEY, "
                                 "project_id INTEGER, time_ms INTEGER, distance_m REAL)");
        for (const Row& row : file.table("snapshot", snapshotShape).rows) {
            done =
                done && db.exec("INSERT OR IGNORE INTO temp.snapshot VALUES (?1, ?2, ?3, ?4)",
                                {parameter(row[kSnapshotFile]), parameter(row[kSnapshotProject]),
                                 parameter(row[kSnapshotTime]), parameter(row[kSnapshotDistance])});
        }
        done =
            done && db.script(indexschema::kSettleMarks) && db.script("DROP TABLE temp.snapshot");
    }
    recovery.stored = done && transaction.commit();
    if (!recovery.stored) {
        recovery.observations = 0;
        recovery.sections = 0;
    }
    return recovery;
}

bool IndexRecovery::codingLost() const
{
    return newer || !stored || !tablesFound || lostRows > 0 || unreadablePages > 0;
}

QString IndexRecovery::text() const
{
    if (newer) {
        return tr("损坏的索引由较新版本的程序建立，其中的编码未能恢复。");
    }
    if (!stored) {
        return tr("损坏的索引中的编码未能存入新索引。");
    }
    QString text = tr("从中恢复了 %1 条观察和 %2 个管段的信息").arg(observations).arg(sections);
    if (lostRows > 0) {
        text += tr("；%1 条记录无法读取，已丢失").arg(lostRows);
    }
    if (unreadablePages > 0) {
        text += tr("；另有 %1 页无法读取，其中的观察已丢失（条数不明）").arg(unreadablePages);
    }
    if (!tablesFound) {
        text += tr("；索引的目录已损坏，无法确定是否还有观察丢失");
    }
    return text + (codingLost() ? tr("。") : tr("，没有丢失。"));
}
