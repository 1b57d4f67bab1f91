#include "history/HistoryStatements.h"

#include <sqlite3.h>

#include <utility>

namespace dorvane {

namespace {

// The site filter: an empty site means every site.
#define DORVANE_HISTORY_FILTER "(?1 = '' OR site = ?1) AND time >= ?2"

constexpr const char* kInsertRun = "INSERT INTO runs (started, site, listing) VALUES (?1, ?2, ?3)";
constexpr const char* kEndRun =
    "UPDATE runs SET ended = ?2, outcome = ?3, stored = ?4, skipped = ?5, failed = ?6 WHERE id = ?1";
constexpr const char* kInsertAlbum =
    "INSERT INTO albums (run, site, address, title, images, began) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
constexpr const char* kInsertImage =
    "INSERT INTO images (run, site, listing, album, title, number, address, path, size, sha256, time) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)";
constexpr const char* kImageKnown = "SELECT 1 FROM images WHERE address = ?1 LIMIT 1";
// The album's latest image count, and whether a run that ended done began it.
constexpr const char* kAlbumCount =
    "SELECT images, EXISTS (SELECT 1 FROM albums AS a JOIN runs AS r ON r.id = a.run "
    "WHERE a.address = ?1 AND r.outcome = 'done') "
    "FROM albums WHERE address = ?1 ORDER BY id DESC LIMIT 1";
constexpr const char* kAlbumNumbers =
    "SELECT count(DISTINCT number) FROM images WHERE album = ?1 AND number BETWEEN 1 AND ?2";
// Each album's newest row gives its title and folder; the count is of distinct image numbers.
constexpr const char* kListAlbums =
    "SELECT i.site, i.title, i.album, g.n, i.path, i.time FROM "
    "(SELECT max(id) AS last, count(DISTINCT number) AS n FROM images WHERE " DORVANE_HISTORY_FILTER
    " GROUP BY album) AS g JOIN images AS i ON i.id = g.last ORDER BY i.time DESC, i.id DESC";
constexpr const char* kEachImage =
    "SELECT id, run, site, listing, album, title, number, address, path, size, sha256, time FROM images "
    "WHERE " DORVANE_HISTORY_FILTER " ORDER BY id";
constexpr const char* kForgetImages = "DELETE FROM images WHERE album = ?1";
constexpr const char* kForgetAlbums = "DELETE FROM albums WHERE address = ?1";

#undef DORVANE_HISTORY_FILTER

}  // namespace

int HistoryStatements::Prepare(sql::Database& db) {
    const std::pair<sql::Statement*, const char*> all[] = {
        {&insertRun, kInsertRun},       {&endRun, kEndRun},
        {&insertAlbum, kInsertAlbum},   {&insertImage, kInsertImage},
        {&imageKnown, kImageKnown},     {&albumCount, kAlbumCount},
        {&albumNumbers, kAlbumNumbers}, {&listAlbums, kListAlbums},
        {&eachImage, kEachImage},       {&forgetImages, kForgetImages},
        {&forgetAlbums, kForgetAlbums},
    };
    for (const auto& [statement, sqlText] : all) {
        const int result = statement->Prepare(db, sqlText);
        if (result != SQLITE_OK) return result;
    }
    return SQLITE_OK;
}

}  // namespace dorvane
