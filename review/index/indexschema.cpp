#include "indexschema.h"

#include "indexdatabase.h"

namespace indexschema {

namespace {

const char* const kVersion1 = R"sql(
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
)sql";

// The columns of a continuous defect's end, and what speeds up reading a section.
const char* const kVersion2Columns = R"sql(
CREATE INDEX snapshot_by_project ON snapshot(project_id);
CREATE INDEX recording_by_project ON recording(project_id);
ALTER TABLE observation ADD COLUMN start_m REAL;
ALTER TABLE observation ADD COLUMN end_m REAL;
ALTER TABLE observation ADD COLUMN end_snapshot TEXT NOT NULL DEFAULT '';
)sql";

const char* const kSectionTable = R"sql(
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
)sql";

} // namespace

const char* const kSettleMarks = R"sql(
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
)sql";

const std::vector<std::string>& migrations()
{
    // 1 -> 2: a continuous defect becomes one observation with its end; the
    // sections' own data; a section's rows found without reading all.
    static const std::vector<std::string> steps{kVersion1, std::string(kVersion2Columns) +
                                                               kSettleMarks + kSectionTable};
    static_assert(IndexDatabase::kSchemaVersion == 2);
    return steps;
}

} // namespace indexschema
