#pragma once
// The collection history: what was stored, when and where, kept in one SQLite file that the window and the
// command line may write at the same time (WAL journal, a busy time-out).
//
// One store may be used from several threads: every call takes the store's mutex around its one
// connection, so calls are short and never overlap. A collection queues its albums and images: the
// store's writer thread commits what is queued in one short transaction, so the collection never waits
// for the file, and a crash or kill -9 loses at most the rows of the images stored in that moment. A
// failed write returns its status and loses nothing recorded before it; the caller reports it.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
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
    // Called once the image's file stands whole under its final name; runId 0 for none.
    HistoryStatus RecordImage(long long runId, const ImageRecord& image);
    // An album as a run begins it, and images, written later by the writer thread in the order queued.
    // The answer is the first failure of an earlier queued write not yet answered, so each failure is
    // answered once.
    HistoryStatus QueueAlbum(long long runId, const AlbumStart& album);
    // An image queued with its file's path (GBK) is read and hashed by the writer, off the caller's
    // thread, for its size and digest; a file the writer cannot read is not recorded.
    HistoryStatus QueueImage(long long runId, ImageRecord image, Text file = {});
    // Waits until every queued row is written; the first failure not yet answered.
    HistoryStatus Flush();

    // False also when the history cannot be read: the image is then fetched, which is never wrong. Rows
    // still queued are not seen; everything below waits for them.
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
    struct Queued {
        long long runId = 0;
        std::variant<AlbumStart, ImageRecord> row;
        Text file;  // to be read for the image's size and digest
    };

    HistoryStore();
    HistoryStatus OpenFile(const std::string& path);
    HistoryStatus Status(int sqliteResult) const;
    // Both run under the store's mutex; SQLite's result code.
    int InsertAlbum(long long runId, const AlbumStart& album);
    int InsertImage(long long runId, const ImageRecord& image);
    HistoryStatus Queue(Queued queued);
    void WaitForQueue();
    void StopWriter();
    void WriteQueued();
    static void HashFiles(std::vector<Queued>& batch);
    HistoryStatus CommitBatch(const std::vector<Queued>& batch);

    std::mutex m_mutex;
    std::string m_file;
    sql::Database m_db;
    // Declared after the connection, so the statements are finalised before it closes.
    std::unique_ptr<HistoryStatements> m_statements;

    // The writer's queue, under its own mutex so queueing never waits for a write.
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::vector<Queued> m_queued;
    bool m_writing = false;
    bool m_closing = false;
    HistoryStatus m_queueFailure;
    std::thread m_writer;  // started by the first row queued, joined by the destructor after the rest is written
};

// $XDG_DATA_HOME/dorvane/history.sqlite3 (an absolute XDG_DATA_HOME only), else
// ~/.local/share/dorvane/history.sqlite3. The folder is made when the store opens.
std::string DefaultHistoryPath();

}  // namespace dorvane
