#pragma once
// SQLite's result codes as the history's faults.
#include "history/HistoryRecords.h"
#include "history/Sqlite.h"

namespace dorvane {

// None for SQLITE_OK, SQLITE_ROW and SQLITE_DONE.
HistoryFault FaultOf(int sqliteResult);
// The status of a result on the connection to a file, with SQLite's words as the detail.
HistoryStatus StatusOf(int sqliteResult, const sql::Database& db, const std::string& file);

}  // namespace dorvane
