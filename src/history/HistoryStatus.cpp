#include <sqlite3.h>

#include <cerrno>

#include "history/Faults.h"
#include "history/HistoryRecords.h"
#include "history/Schema.h"

namespace dorvane {

namespace {

std::string WithDetail(const std::string& line, const std::string& detail) {
    return detail.empty() ? line : line + ": " + detail;
}

}  // namespace

std::string HistoryStatus::Message() const {
    const std::string name = "history file " + file;
    // Every refusal at open leaves the file as it was; saying so spares the user a worried look at it.
    const std::string untouched = "; it is left as it is";
    switch (fault) {
        case HistoryFault::None:
            return {};
        case HistoryFault::NotADatabase:
            return name + " is not a database" + untouched;
        case HistoryFault::Damaged:
            return WithDetail(name + " is damaged", detail) + untouched;
        case HistoryFault::NewerSchema:
            return name + " was written by a newer Dorvane (layout " + std::to_string(schemaVersion) +
                   ", this one reads up to " + std::to_string(kSchemaVersion) + ")" + untouched;
        case HistoryFault::NotAHistory:
            return name + " is a database of another program" + untouched;
        case HistoryFault::CannotWrite:
            return WithDetail(name + " cannot be written", detail);
        case HistoryFault::DiskFull:
            return name + " could not be written: the disk is full";
        case HistoryFault::Failed:
            break;
    }
    return WithDetail(name, detail.empty() ? "failed" : detail);
}

HistoryFault FaultOf(int sqliteResult) {
    switch (sqliteResult & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return HistoryFault::None;
        case SQLITE_NOTADB:
            return HistoryFault::NotADatabase;
        case SQLITE_CORRUPT:
            return HistoryFault::Damaged;
        case SQLITE_FULL:
            return HistoryFault::DiskFull;
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            return HistoryFault::CannotWrite;
        default:
            return HistoryFault::Failed;
    }
}

HistoryStatus StatusOf(int sqliteResult, const sql::Database& db, const std::string& file) {
    HistoryStatus status;
    status.file = file;
    status.fault = FaultOf(sqliteResult);
    if (status.Ok()) return status;
    status.detail = db.ErrorText();
    // A full disk under the log or its index comes back as an I/O error; the system's own word tells.
    if (db.Handle() && sqlite3_system_errno(db.Handle()) == ENOSPC) status.fault = HistoryFault::DiskFull;
    return status;
}

}  // namespace dorvane
