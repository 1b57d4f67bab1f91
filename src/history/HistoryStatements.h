#pragma once
// The store's statements, prepared once when the file opens and run many times.
#include "history/Sqlite.h"

namespace dorvane {

struct HistoryStatements {
    sql::Statement insertRun;
    sql::Statement endRun;
    sql::Statement insertAlbum;
    sql::Statement insertImage;
    sql::Statement imageKnown;
    sql::Statement albumCount;
    sql::Statement albumNumbers;
    sql::Statement listAlbums;
    sql::Statement eachImage;
    sql::Statement forgetImages;
    sql::Statement forgetAlbums;

    // SQLite's result code of the first statement that failed to prepare.
    int Prepare(sql::Database& db);
};

}  // namespace dorvane
