#pragma once
// The collection history: what was stored, when and where, kept in one SQLite file that the window and the
// command line may write at the same time (WAL journal, a busy time-out).
//
// One store may be used from several threads: every call takes the store's mutex around its one
// connection, so calls are short and never overlap. Each write is its own short transaction, so a crash
// or kill -9 loses at most the row being written. A failed write returns its status and loses nothing
// recorded before it; the caller reports it.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "history/HistoryRecords.h"
#include "history/Sqlite.h"

namespace dorvane {

struct HistoryStatements;

class HistoryStore {
public:
    // Opens the history file at a file-system path, creating it and its missing folders when needed. A
    // file that is not a database, is damaged, has a newer layout or belongs to another program, and a
    // place where the file cannot be written, give null and a status naming the file; such a file is
    // neither changed nor deleted, and the caller goes on without history.
    static std::unique_ptr<HistoryStore> Open(const std::string& path, HistoryStatus& status);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    const std::string& File() const { return m_file; }

    HistoryStatus BeginRun(const RunStart& run, long long& runId);
    HistoryStatus EndRun(long long runId, const RunEnd& end);
    HistoryStatus BeginAlbum(long long runId, const AlbumStart& album);
    // Called once the image's file stands whole under its final name; runId 0 for none.
    HistoryStatus RecordImage(long long runId, const ImageRecord& image);

    // False also when the history cannot be read: the image is then fetched, which is never wrong.
    bool IsImageKnown(const Text& imageAddress);
    // A run that ended done began the album, the album's latest image count is above 0, and every image
    // number from 1 to that count has a stored row (in any run, or outside one).
    bool IsAlbumComplete(const Text& albumAddress);

    // Albums with images stored since the filter's time, newest first; the count is of those images.
    HistoryStatus ListAlbums(const HistoryFilter& filter, std::vector<AlbumSummary>& albums);
    // Every stored image row in the order stored. The store stays locked while each runs: it must not
    // call the store.
    HistoryStatus ForEachImage(const HistoryFilter& filter, const std::function<void(const ImageRow&)>& each);
    // Removes the album's image rows and its album rows, so it is collected again; removed counts images.
    HistoryStatus ForgetAlbum(const Text& albumAddress, int& removed);

private:
    HistoryStore();
    HistoryStatus OpenFile(const std::string& path);
    HistoryStatus Status(int sqliteResult) const;

    std::mutex m_mutex;
    std::string m_file;
    sql::Database m_db;
    // Declared after the connection, so the statements are finalised before it closes.
    std::unique_ptr<HistoryStatements> m_statements;
};

// $XDG_DATA_HOME/dorvane/history.sqlite3 (an absolute XDG_DATA_HOME only), else
// ~/.local/share/dorvane/history.sqlite3. The folder is made when the store opens.
std::string DefaultHistoryPath();

}  // namespace dorvane
