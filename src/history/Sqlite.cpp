#include "history/Sqlite.h"

#include <sqlite3.h>

namespace dorvane::sql {

Database::~Database() { Close(); }

int Database::Open(const std::string& path) {
    Close();
    // The store serialises every use of the connection itself, so SQLite's own lock would be a second one;
    // extended codes tell a full disk from other write failures.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int result = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (result != SQLITE_OK) return result;
    sqlite3_extended_result_codes(m_db, 1);
    return SQLITE_OK;
}

void Database::Close() {
    // Statements are owned and finalised by their holders before this runs; close_v2 would otherwise
    // defer the close until they are.
    if (m_db) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

int Database::Execute(const std::string& sqlText) {
    if (!m_db) return SQLITE_MISUSE;
    return sqlite3_exec(m_db, sqlText.c_str(), nullptr, nullptr, nullptr);
}

std::string Database::ErrorText() const { return m_db ? sqlite3_errmsg(m_db) : "no database open"; }

bool Database::ReadOnly() const { return m_db && sqlite3_db_readonly(m_db, "main") == 1; }

long long Database::LastInsertId() const { return m_db ? sqlite3_last_insert_rowid(m_db) : 0; }

int Database::Changes() const { return m_db ? sqlite3_changes(m_db) : 0; }

Statement::~Statement() { sqlite3_finalize(m_statement); }

int Statement::Prepare(Database& db, const char* sqlText) {
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    if (!db.Handle()) return SQLITE_MISUSE;
    // Kept for the store's lifetime and run many times.
    return sqlite3_prepare_v3(db.Handle(), sqlText, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
}

void Statement::BindText(int index, const Text& text) {
    // SQLITE_TRANSIENT: the caller's string may go away before the statement runs to its end.
    sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::BindInt(int index, long long value) { sqlite3_bind_int64(m_statement, index, value); }

void Statement::BindNull(int index) { sqlite3_bind_null(m_statement, index); }

int Statement::Step() { return m_statement ? sqlite3_step(m_statement) : SQLITE_MISUSE; }

Text Statement::ColumnText(int column) const {
    // The blob accessor hands the stored bytes over without any conversion; the length comes after it,
    // as SQLite asks.
    const void* data = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (!data || size <= 0) return {};
    return Text(static_cast<const char*>(data), static_cast<size_t>(size));
}

long long Statement::ColumnInt(int column) const { return sqlite3_column_int64(m_statement, column); }

bool Statement::ColumnIsNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

void Statement::Reset() {
    if (!m_statement) return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

WriteTransaction::WriteTransaction(Database& db) : m_db(db), m_begin(db.Execute("BEGIN IMMEDIATE")) {
    m_open = m_begin == SQLITE_OK;
}

WriteTransaction::~WriteTransaction() {
    if (m_open) m_db.Execute("ROLLBACK");
}

int WriteTransaction::Commit() {
    if (!m_open) return m_begin;
    const int result = m_db.Execute("COMMIT");
    // A failed COMMIT (SQLITE_BUSY) leaves the transaction open; the destructor rolls it back.
    if (result == SQLITE_OK) m_open = false;
    return result;
}

}  // namespace dorvane::sql
