#pragma once
// The case file's tables, one migration per schema version. README.md
// ("Case file") documents the tables for programs that read them.
#include "case/CaseResult.h"

namespace selvo {

class SqliteDatabase;

// The version this program writes; a case file of a higher one is refused.
constexpr int kCaseSchemaVersion = 1;
// PRAGMA application_id of a case file: "SVCF".
constexpr int kCaseApplicationId = 0x53564346;

// Brings an open, writable case file to kCaseSchemaVersion in one
// transaction; another program migrating at the same time is waited for.
CaseStatus MigrateCaseSchema(SqliteDatabase& db);

}  // namespace selvo
