#pragma once
// A thin owner of SQLite handles: one connection and its prepared statements. Values always go in as bound
// parameters, never pasted into SQL, and texts carry their byte length, so any bytes (GBK, invalid UTF-8,
// quotes, NUL) are stored and read back exactly as given.
#include <string>

#include "core/Text.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dorvane::sql {

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when missing) the file at a file-system path; SQLite's result code. The file itself
    // is not read or written until the first statement runs, so a refusal after this leaves it untouched.
    int Open(const std::string& path);
    void Close();
    // Runs statements that take no parameters (schema, pragmas); SQLite's result code.
    int Execute(const std::string& sqlText);
    // SQLite's words for the last failure on this connection.
    std::string ErrorText() const;
    // True when SQLite could only open the file for reading (it falls back silently).
    bool ReadOnly() const;
    long long LastInsertId() const;
    int Changes() const;
    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int Prepare(Database& db, const char* sqlText);
    // Parameters count from 1, as in the SQL text.
    void BindText(int index, const Text& text);
    void BindInt(int index, long long value);
    void BindNull(int index);
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Columns count from 0.
    Text ColumnText(int column) const;
    long long ColumnInt(int column) const;
    bool ColumnIsNull(int column) const;
    // Ends the statement's pass (releasing the read it holds) and forgets its bindings.
    void Reset();

private:
    sqlite3_stmt* m_statement = nullptr;
};

// One pass of a prepared statement that is reset on entry and on every way out, so a cached statement
// never keeps a read open between calls (which would hold back the other connection's checkpoints).
class StatementPass {
public:
    explicit StatementPass(Statement& statement) : m_statement(statement) { m_statement.Reset(); }
    ~StatementPass() { m_statement.Reset(); }
    StatementPass(const StatementPass&) = delete;
    StatementPass& operator=(const StatementPass&) = delete;
    Statement* operator->() { return &m_statement; }

private:
    Statement& m_statement;
};

// A write transaction that takes the write lock at once (waiting through the busy time-out), so two
// writers never both hold a read and then deadlock asking for the write; rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(Database& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    // The result of BEGIN; SQLITE_OK when the transaction is open.
    int Began() const { return m_begin; }
    int Commit();

private:
    Database& m_db;
    int m_begin;
    bool m_open;
};

}  // namespace dorvane::sql
