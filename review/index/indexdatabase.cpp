#include "indexdatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Each step upgrades the schema by one version; user_version counts them.
const char* const kMigrations[] = {
    // 0 -> 1
    R"sql(
CREATE TABLE file (
  name TEXT PRIMARY KEY,
  kind TEXT NOT NULL,
  size INTEGER NOT NULL,
  mtime_ms INTEGER NOT NULL,
  problem TEXT NOT NULL DEFAULT '',
  usable INTEGER NOT NULL
);
CREATE TABLE project (
  id INTEGER PRIMARY KEY,
  no TEXT NOT NULL, taskname TEXT NOT NULL, location TEXT NOT NULL,
  startwellno TEXT NOT NULL, endwellno TEXT NOT NULL,
  unitcompany TEXT NOT NULL DEFAULT '', inspector TEXT NOT NULL DEFAULT '',
  pipdiameter TEXT NOT NULL DEFAULT '', direction TEXT NOT NULL DEFAULT '',
  piptype TEXT NOT NULL DEFAULT '', pipmeterial TEXT NOT NULL DEFAULT '',
  description TEXT NOT NULL DEFAULT '',
  from_record INTEGER NOT NULL DEFAULT 0,
  UNIQUE (no, taskname, location, startwellno, endwellno)
);
CREATE TABLE recording (
  name TEXT PRIMARY KEY,
  project_id INTEGER REFERENCES project(id),
  video_file TEXT,
  csv_file TEXT,
  has_record INTEGER NOT NULL DEFAULT 0,
  start_ms INTEGER,
  start_text TEXT NOT NULL DEFAULT '',
  video_duration_s REAL,
  telemetry_duration_s REAL,
  min_distance_m REAL,
  max_distance_m REAL
);
CREATE TABLE profile (
  csv_file TEXT NOT NULL REFERENCES file(name) ON DELETE CASCADE,
  video_time_s REAL,
  distance_m REAL NOT NULL,
  roll_deg REAL,
  pitch_deg REAL
);
CREATE INDEX profile_by_file ON profile(csv_file);
CREATE TABLE snapshot (
  file TEXT PRIMARY KEY REFERENCES file(name) ON DELETE CASCADE,
  project_id INTEGER REFERENCES project(id),
  has_record INTEGER NOT NULL,
  time_ms INTEGER,
  time_text TEXT NOT NULL DEFAULT '',
  distance_m REAL, cable_m REAL, roll_deg REAL, pitch_deg REAL, heading_deg REAL,
  recording TEXT,
  offset_s REAL
);
CREATE TABLE observation (
  id INTEGER PRIMARY KEY,
  snapshot TEXT NOT NULL,
  code_table TEXT NOT NULL DEFAULT '',
  code TEXT NOT NULL DEFAULT '',
  name TEXT NOT NULL DEFAULT '',
  kind TEXT NOT NULL DEFAULT '',
  scored INTEGER NOT NULL DEFAULT 0,
  grade INTEGER,
  clock_from INTEGER,
  clock_to INTEGER,
  continuous TEXT NOT NULL DEFAULT '',
  remark TEXT NOT NULL DEFAULT ''
);
CREATE INDEX observation_by_snapshot ON observation(snapshot);
)sql",
    // 1 -> 2: a continuous defect becomes one observation with its end; the
    // sections' own data; a section's rows found without reading all.
    R"sql(
CREATE INDEX snapshot_by_project ON snapshot(project_id);
CREATE INDEX recording_by_project ON recording(project_id);
ALTER TABLE observation ADD COLUMN start_m REAL;
ALTER TABLE observation ADD COLUMN end_m REAL;
ALTER TABLE observation ADD COLUMN end_snapshot TEXT NOT NULL DEFAULT '';
-- The marks of one project and code by distance: an end joins the start
-- right before it.
CREATE TEMP TABLE mark AS
  SELECT o.id, o.continuous AS side, o.snapshot, s.distance_m,
         lag(o.id) OVER w AS before_id, lag(o.continuous) OVER w AS before_side
  FROM observation o JOIN snapshot s ON s.file = o.snapshot
  WHERE o.continuous IN ('start', 'end')
  WINDOW w AS (PARTITION BY s.project_id, o.code, o.name
               ORDER BY s.distance_m IS NULL, s.distance_m, s.time_ms, o.id);
DELETE FROM temp.mark WHERE side <> 'end' OR before_side IS NOT 'start';
UPDATE observation SET
  end_m = (SELECT m.distance_m FROM temp.mark m WHERE m.before_id = observation.id),
  end_snapshot = (SELECT m.snapshot FROM temp.mark m WHERE m.before_id = observation.id)
  WHERE id IN (SELECT before_id FROM temp.mark);
DELETE FROM observation WHERE id IN (SELECT id FROM temp.mark);
DROP TABLE temp.mark;
-- An end whose start was never marked ends where it was marked, and says so.
UPDATE observation SET
  end_m = (SELECT s.distance_m FROM snapshot s WHERE s.file = observation.snapshot),
  end_snapshot = snapshot,
  remark = trim(remark || ' （连续缺陷终点，起点未标）')
  WHERE continuous = 'end';
UPDATE observation SET continuous = 'continuous' WHERE continuous IN ('start', 'end');
CREATE TABLE section (
  no TEXT NOT NULL, taskname TEXT NOT NULL, location TEXT NOT NULL,
  startwellno TEXT NOT NULL, endwellno TEXT NOT NULL,
  length_m REAL,
  area_class INTEGER,
  soil TEXT NOT NULL DEFAULT '',
  laid_year INTEGER,
  start_depth_m REAL,
  end_depth_m REAL,
  inspected_by TEXT NOT NULL DEFAULT '',
  checked_by TEXT NOT NULL DEFAULT '',
  approved_by TEXT NOT NULL DEFAULT '',
  PRIMARY KEY (no, taskname, location, startwellno, endwellno)
);
)sql",
};
constexpr int kMigrationCount = static_cast<int>(std::size(kMigrations));
static_assert(kMigrationCount == IndexDatabase::kSchemaVersion);

const char* const kCorruptSuffix = ".corrupt-";
const char* const kTimeFormat = "yyyyMMddHHmmss";

std::vector<std::string> toUtf8(const QStringList& params)
{
    std::vector<std::string> values;
    values.reserve(static_cast<std::size_t>(params.size()));
    for (const QString& param : params) {
        values.push_back(param.toStdString());
    }
    return values;
}

} // namespace

QString sqlNumber(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', std::numeric_limits<double>::digits10)
                                : QString();
}

double sqlDouble(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

bool IndexDatabase::open(const QString& folder, QString* notice, QString* error)
{
    close();
    m_path = QDir(folder).filePath(fileName());
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_sql->OpenOrCreateDB(QFile::encodeName(m_path).constData()) != 1) {
            *error = tr("无法打开索引 %1").arg(QDir::toNativeSeparators(m_path));
            return false;
        }
        m_open = true;
        // Another program reading the index makes SQLite wait, not fail.
        script(QStringLiteral("PRAGMA busy_timeout = %1").arg(kBusyTimeoutMs).toUtf8().constData());
        switch (check()) {
        case Check::Healthy:
            if (!migrate(error)) {
                close();
                return false;
            }
            return true;
        case Check::Newer:
            close();
            *error =
                tr("索引 %1 由较新版本的程序建立，未改动").arg(QDir::toNativeSeparators(m_path));
            return false;
        case Check::Damaged:
            close();
            if (attempt > 0 || !moveAside(notice, error)) {
                if (error->isEmpty()) {
                    *error = tr("无法重建索引 %1").arg(QDir::toNativeSeparators(m_path));
                }
                return false;
            }
            break;
        }
    }
    return false;
}

void IndexDatabase::close()
{
    if (m_open) {
        m_sql->CloseDB();
        m_open = false;
    }
}

IndexDatabase::Check IndexDatabase::check()
{
    // quick_check reads every page, so a damaged file shows here rather than
    // half way through a scan.
    bool ok = false;
    const SqlRows health = query("PRAGMA quick_check", {}, &ok);
    if (!ok || health.size() != 1 || health.front().value(0) != QLatin1String("ok")) {
        return Check::Damaged;
    }
    const SqlRows version = query("PRAGMA user_version", {}, &ok);
    if (!ok || version.isEmpty()) {
        return Check::Damaged;
    }
    if (version.front().value(0).toInt() > kSchemaVersion) {
        return Check::Newer;
    }
    return script("PRAGMA foreign_keys = ON") ? Check::Healthy : Check::Damaged;
}

bool IndexDatabase::migrate(QString* error)
{
    const int from = query("PRAGMA user_version").value(0).value(0).toInt();
    for (int version = from; version < kMigrationCount; ++version) {
        Transaction step(*this);
        const QByteArray bump =
            QStringLiteral("PRAGMA user_version = %1").arg(version + 1).toUtf8();
        if (!script(kMigrations[version]) || !script(bump.constData()) || !step.commit()) {
            *error = tr("无法建立索引 %1").arg(QDir::toNativeSeparators(m_path));
            return false;
        }
    }
    return true;
}

bool IndexDatabase::moveAside(QString* notice, QString* error)
{
    const QString aside = m_path + QLatin1String(kCorruptSuffix) +
                          QDateTime::currentDateTime().toString(QLatin1String(kTimeFormat));
    if (!QFile::rename(m_path, aside)) {
        *error = tr("索引 %1 已损坏，且无法移开").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    *notice = tr("索引已损坏，已移至 %1 并按文件重建；原有的编码留在该文件中。")
                  .arg(QDir::toNativeSeparators(aside));
    return true;
}

bool IndexDatabase::exec(const char* sql, const QStringList& params)
{
    return m_open && m_sql->ExecParams(sql, toUtf8(params)) == 1;
}

SqlRows IndexDatabase::query(const char* sql, const QStringList& params, bool* ok)
{
    std::vector<std::vector<std::string>> rows;
    const bool done = m_open && m_sql->QueryParams(sql, toUtf8(params), rows) == 1;
    if (ok != nullptr) {
        *ok = done;
    }
    SqlRows result;
    result.reserve(static_cast<int>(rows.size()));
    for (const auto& row : rows) {
        QStringList columns;
        columns.reserve(static_cast<int>(row.size()));
        for (const std::string& value : row) {
            columns << QString::fromStdString(value);
        }
        result << columns;
    }
    return result;
}

bool IndexDatabase::script(const char* sql)
{
    return m_open && m_sql->ExecSQLQuiet(sql) == 1;
}

// Savepoints, so that work grouped by a caller may hold steps that group their own.
IndexDatabase::Transaction::Transaction(IndexDatabase& db) : m_db(db)
{
    m_open = m_db.script("SAVEPOINT step");
}

IndexDatabase::Transaction::~Transaction()
{
    if (m_open) {
        m_db.script("ROLLBACK TO step; RELEASE step");
    }
}

bool IndexDatabase::Transaction::commit()
{
    const bool done = m_open && m_db.script("RELEASE step");
    m_open = m_open && !done; // a failed commit is rolled back
    return done;
}
