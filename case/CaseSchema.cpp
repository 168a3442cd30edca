#include "case/CaseSchema.h"

#include <string>

#include "case/SqliteDatabase.h"

namespace selvo {

namespace {

// kMigrations[v] takes a case file from version v to v + 1. A released
// migration is never edited: case files in the field went through it.
const char* const kMigrations[] = {
    R"sql(
CREATE TABLE recordings(
  id INTEGER PRIMARY KEY,
  identity TEXT NOT NULL UNIQUE,
  full_identity TEXT,
  files INTEGER NOT NULL,
  bytes INTEGER NOT NULL,
  first_seen TEXT NOT NULL
);
CREATE TABLE recording_paths(
  recording_id INTEGER NOT NULL REFERENCES recordings(id),
  path TEXT NOT NULL,
  first_seen TEXT NOT NULL,
  last_seen TEXT NOT NULL,
  PRIMARY KEY(recording_id, path)
);
CREATE INDEX recording_paths_by_path ON recording_paths(path);
CREATE TABLE bookmarks(
  id INTEGER PRIMARY KEY,
  recording_id INTEGER NOT NULL REFERENCES recordings(id),
  camera INTEGER NOT NULL,
  number INTEGER NOT NULL,
  file TEXT NOT NULL,
  record_time INTEGER NOT NULL,
  stamp_ms INTEGER NOT NULL,
  note TEXT NOT NULL,
  author TEXT NOT NULL,
  created TEXT NOT NULL,
  edited TEXT
);
CREATE INDEX bookmarks_by_recording ON bookmarks(recording_id, camera, number);
CREATE TABLE log(
  sequence INTEGER PRIMARY KEY,
  time TEXT NOT NULL,
  user TEXT NOT NULL,
  host TEXT NOT NULL,
  program TEXT NOT NULL,
  kind TEXT NOT NULL,
  recording TEXT NOT NULL,
  details TEXT NOT NULL,
  previous TEXT NOT NULL,
  sha256 TEXT NOT NULL
);
CREATE INDEX log_by_recording ON log(recording);
CREATE TABLE log_head(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  entries INTEGER NOT NULL,
  sha256 TEXT NOT NULL
);
INSERT INTO log_head VALUES (1, 0, '');
CREATE TRIGGER log_append_only_update BEFORE UPDATE ON log
  BEGIN SELECT RAISE(ABORT, 'the viewing log is append-only'); END;
CREATE TRIGGER log_append_only_delete BEFORE DELETE ON log
  BEGIN SELECT RAISE(ABORT, 'the viewing log is append-only'); END;
)sql",
};
static_assert(sizeof kMigrations / sizeof kMigrations[0] == kCaseSchemaVersion,
              "one migration per schema version");

}  // namespace

CaseStatus MigrateCaseSchema(SqliteDatabase& db) {
  if (CaseStatus begun = db.Execute("BEGIN IMMEDIATE"); !begun) return begun;
  // Read again under the write lock: another viewer may have migrated the
  // file between our first look and now.
  const auto version = db.QueryInteger("PRAGMA user_version");
  CaseStatus status = version ? CaseStatus() : version.status();
  for (std::int64_t v = version ? version.value() : kCaseSchemaVersion; status && v < kCaseSchemaVersion; ++v) {
    status = db.Execute(kMigrations[v]);
  }
  if (status && version && version.value() < kCaseSchemaVersion) {
    const std::string stamp = "PRAGMA application_id = " + std::to_string(kCaseApplicationId) +
                              "; PRAGMA user_version = " + std::to_string(kCaseSchemaVersion);
    status = db.Execute(stamp.c_str());
  }
  if (status) status = db.Execute("COMMIT");
  if (!status) db.Execute("ROLLBACK");
  return status;
}

}  // namespace selvo
