#pragma once
// The history's table layout, its version and the steps that bring an older file up to it.
#include "history/Sqlite.h"

namespace dorvane {

// PRAGMA user_version of the layout this code writes; a file with a higher one is refused, never changed.
constexpr int kSchemaVersion = 1;
// PRAGMA application_id ("DRVH"): tells a Dorvane history from another program's database.
constexpr int kHistoryApplicationId = 0x44525648;

// Brings the file (a new, empty one at version 0) up to kSchemaVersion in one write transaction. The
// version is read inside it, so two programs opening a new file at once lay it out only once; foundVersion
// is the version found there, and a newer one than this code knows is left untouched. SQLite's result code.
int MigrateSchema(sql::Database& db, int& foundVersion);

}  // namespace dorvane
