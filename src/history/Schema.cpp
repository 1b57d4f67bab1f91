#include "history/Schema.h"

#include <sqlite3.h>

#include <string>

namespace dorvane {

namespace {

// Layout 1.
//
// runs: one collection run. started/ended are Unix seconds; ended and outcome stay NULL while the run goes
//   on, and after a crash. outcome is 'done', 'stopped' or 'failed'; stored/skipped/failed count images.
// albums: an album as a run began it, with the image count its page gave (0 when the site gives none).
//   It is what makes "complete" decidable: an album is complete when a run that ended done began it, its
//   latest count is above 0 and every image number from 1 to that count has a stored row (from any run,
//   so a stopped run finished by a later one counts).
// images: one row per image file stored whole under its final name. run is NULL for an image stored
//   outside any run. sha256 is lower-case hex; time is Unix seconds.
// Texts are TEXT columns holding the exact bytes given, compared byte by byte and never converted: the
//   collections hand in UTF-8 texts and paths as the file system has them, so other tools read them.
constexpr const char* kLayout1 = R"sql(
CREATE TABLE runs (
    id       INTEGER PRIMARY KEY,
    started  INTEGER NOT NULL,
    site     TEXT NOT NULL,
    listing  TEXT NOT NULL,
    ended    INTEGER,
    outcome  TEXT CHECK (outcome IN ('done', 'stopped', 'failed')),
    stored   INTEGER NOT NULL DEFAULT 0,
    skipped  INTEGER NOT NULL DEFAULT 0,
    failed   INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE albums (
    id       INTEGER PRIMARY KEY,
    run      INTEGER NOT NULL REFERENCES runs (id),
    site     TEXT NOT NULL,
    address  TEXT NOT NULL,
    title    TEXT NOT NULL,
    images   INTEGER NOT NULL,
    began    INTEGER NOT NULL
);
CREATE INDEX albums_by_address ON albums (address);
CREATE TABLE images (
    id       INTEGER PRIMARY KEY,
    run      INTEGER REFERENCES runs (id),
    site     TEXT NOT NULL,
    listing  TEXT NOT NULL,
    album    TEXT NOT NULL,
    title    TEXT NOT NULL,
    number   INTEGER NOT NULL,
    address  TEXT NOT NULL,
    path     TEXT NOT NULL,
    size     INTEGER NOT NULL,
    sha256   TEXT NOT NULL,
    time     INTEGER NOT NULL
);
CREATE INDEX images_by_address ON images (address);
CREATE INDEX images_by_album ON images (album, number);
CREATE INDEX images_by_time ON images (time);
)sql";

// Step n brings layout n - 1 to layout n; a later layout adds its step here and raises kSchemaVersion.
constexpr const char* kSteps[] = {kLayout1};
static_assert(sizeof(kSteps) / sizeof(kSteps[0]) == kSchemaVersion);

int ReadVersion(sql::Database& db, int& version) {
    sql::Statement statement;
    int result = statement.Prepare(db, "PRAGMA user_version");
    if (result != SQLITE_OK) return result;
    result = statement.Step();
    if (result != SQLITE_ROW) return result;
    version = static_cast<int>(statement.ColumnInt(0));
    return SQLITE_OK;
}

}  // namespace

int MigrateSchema(sql::Database& db, int& foundVersion) {
    sql::WriteTransaction transaction(db);
    if (transaction.Began() != SQLITE_OK) return transaction.Began();
    int result = ReadVersion(db, foundVersion);
    if (result != SQLITE_OK) return result;
    const int version = foundVersion;
    if (version >= kSchemaVersion) return SQLITE_OK;
    if (version == 0) {
        result = db.Execute("PRAGMA application_id = " + std::to_string(kHistoryApplicationId));
        if (result != SQLITE_OK) return result;
    }
    for (int step = version + 1; step <= kSchemaVersion; ++step) {
        result = db.Execute(kSteps[step - 1]);
        if (result != SQLITE_OK) return result;
    }
    // PRAGMA takes no bound parameters; the number is this code's own constant.
    result = db.Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    if (result != SQLITE_OK) return result;
    return transaction.Commit();
}

}  // namespace dorvane
