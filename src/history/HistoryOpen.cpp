// Opening the history: everything that could refuse the file is read before anything is written, so a
// refused file is left byte for byte as it was.
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "history/Faults.h"
#include "history/HistoryStatements.h"
#include "history/HistoryStore.h"
#include "history/Schema.h"

namespace dorvane {

namespace {

// Long enough for the window and the command line to take turns writing short transactions; a lock held
// longer than this is someone else's long work, reported rather than waited out.
constexpr int kBusyMilliseconds = 5000;

HistoryStatus OpenFault(const std::string& file, HistoryFault fault, const std::string& detail = {}) {
    HistoryStatus status;
    status.file = file;
    status.fault = fault;
    status.detail = detail;
    return status;
}

HistoryStatus PrepareFolder(const std::string& path) {
    namespace fs = std::filesystem;
    if (path.empty()) return OpenFault(path, HistoryFault::CannotWrite, "no file named");
    const fs::path file(path);
    std::error_code error;
    if (fs::is_directory(file, error)) return OpenFault(path, HistoryFault::CannotWrite, "it is a folder");
    if (file.has_parent_path()) {
        fs::create_directories(file.parent_path(), error);
        if (error) return OpenFault(path, HistoryFault::CannotWrite, error.message());
    }
    return OpenFault(path, HistoryFault::None);
}

struct FileIdentity {
    long long applicationId = 0;
    int version = 0;
    long long objects = 0;  // tables and indexes already in the file
};

// Reads the header and the schema table: a file that is not a database or whose first pages are damaged
// fails here, before anything is written.
int ReadIdentity(sql::Database& db, FileIdentity& identity) {
    sql::Statement statement;
    int result = statement.Prepare(db,
                                   "SELECT (SELECT application_id FROM pragma_application_id), "
                                   "(SELECT user_version FROM pragma_user_version), "
                                   "(SELECT count(*) FROM sqlite_schema)");
    if (result != SQLITE_OK) return result;
    result = statement.Step();
    if (result != SQLITE_ROW) return result;
    identity.applicationId = statement.ColumnInt(0);
    identity.version = static_cast<int>(statement.ColumnInt(1));
    identity.objects = statement.ColumnInt(2);
    return SQLITE_OK;
}

// Runs a pragma that answers with one text: SQLITE_OK when the answer is the one hoped for, `otherwise`
// when it is another (kept in `answer`), SQLite's code when the pragma itself failed.
int PragmaAnswer(sql::Database& db, const char* pragma, const char* hoped, int otherwise, std::string& answer) {
    sql::Statement statement;
    int result = statement.Prepare(db, pragma);
    if (result != SQLITE_OK) return result;
    result = statement.Step();
    if (result != SQLITE_ROW) return result;
    answer = statement.ColumnText(0);
    return answer == hoped ? SQLITE_OK : otherwise;
}

// Walks every page: damage further in (overwritten pages, a cut-off file) shows here rather than in the
// middle of a collection.
int QuickCheck(sql::Database& db, std::string& finding) {
    return PragmaAnswer(db, "PRAGMA quick_check(1)", "ok", SQLITE_CORRUPT, finding);
}

// A file already in WAL mode stays so; a new one switches. Any other answer means this file system or
// file does not allow it.
int UseWriteAheadLog(sql::Database& db, std::string& mode) {
    return PragmaAnswer(db, "PRAGMA journal_mode = WAL", "wal", SQLITE_CANTOPEN, mode);
}

}  // namespace

HistoryStore::HistoryStore() = default;

HistoryStore::~HistoryStore() {
    StopWriter();
    m_statements.reset();
    m_db.Close();
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& path, HistoryStatus& status) {
    std::unique_ptr<HistoryStore> store(new HistoryStore());
    status = store->OpenFile(path);
    if (!status.Ok()) return nullptr;
    return store;
}

HistoryStatus HistoryStore::Status(int sqliteResult) const { return StatusOf(sqliteResult, m_db, m_file); }

HistoryStatus HistoryStore::OpenFile(const std::string& path) {
    m_file = path;
    HistoryStatus status = PrepareFolder(path);
    if (!status.Ok()) return status;
    int result = m_db.Open(path);
    if (result != SQLITE_OK) return Status(result);
    sqlite3_busy_timeout(m_db.Handle(), kBusyMilliseconds);
    if (m_db.ReadOnly()) return OpenFault(path, HistoryFault::CannotWrite, "only reading is allowed");
    FileIdentity identity;
    result = ReadIdentity(m_db, identity);
    if (result != SQLITE_OK) return Status(result);
    const bool empty = identity.objects == 0 && identity.applicationId == 0 && identity.version == 0;
    if (!empty && identity.applicationId != kHistoryApplicationId)
        return OpenFault(path, HistoryFault::NotAHistory);
    status = OpenFault(path, HistoryFault::NewerSchema);
    status.schemaVersion = identity.version;
    if (identity.version > kSchemaVersion) return status;
    std::string finding;
    if (!empty && (result = QuickCheck(m_db, finding)) != SQLITE_OK) {
        status = Status(result);
        if (!finding.empty()) status.detail = finding;
        return status;
    }
    std::string mode;
    if ((result = UseWriteAheadLog(m_db, mode)) != SQLITE_OK) {
        status = Status(result);
        if (!mode.empty()) status.detail = "no write-ahead log here (journal " + mode + ")";
        return status;
    }
    // In WAL mode NORMAL loses nothing committed when the program dies; only a power cut can take the
    // last commits, and it spares a flush per image.
    if ((result = m_db.Execute("PRAGMA synchronous = NORMAL")) != SQLITE_OK) return Status(result);
    int foundVersion = 0;
    if ((result = MigrateSchema(m_db, foundVersion)) != SQLITE_OK) return Status(result);
    // Another program may have moved a new file on to a newer layout between the look and the lock.
    status.schemaVersion = foundVersion;
    if (foundVersion > kSchemaVersion) return status;
    m_statements = std::make_unique<HistoryStatements>();
    return Status(m_statements->Prepare(m_db));
}

std::string DefaultHistoryPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string folder;
    // The XDG rules ignore a relative value.
    if (data && data[0] == '/') {
        folder = data;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home ? home : "") + "/.local/share";
    }
    return folder + "/dorvane/history.sqlite3";
}

}  // namespace dorvane
