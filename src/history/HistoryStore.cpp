// What the store writes: runs, albums as runs begin them, stored images, and forgetting an album. A call
// here is one short transaction of its own; the writer thread puts the queued rows through the same
// inserts, a batch to a transaction.
#include "history/HistoryStore.h"

#include <sqlite3.h>

#include <ctime>

#include "history/HistoryStatements.h"

namespace dorvane {

namespace {

long long TimeOrNow(long long time) { return time != 0 ? time : static_cast<long long>(std::time(nullptr)); }

const char* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::Done:
            return "done";
        case RunOutcome::Stopped:
            return "stopped";
        case RunOutcome::Failed:
            break;
    }
    return "failed";
}

void BindRun(sql::StatementPass& pass, int index, long long runId) {
    if (runId > 0)
        pass->BindInt(index, runId);
    else
        pass->BindNull(index);
}

}  // namespace

HistoryStatus HistoryStore::BeginRun(const RunStart& run, long long& runId) {
    std::lock_guard lock(m_mutex);
    sql::StatementPass pass(m_statements->insertRun);
    pass->BindInt(1, TimeOrNow(run.time));
    pass->BindText(2, run.site);
    pass->BindText(3, run.listing);
    const int result = pass->Step();
    runId = result == SQLITE_DONE ? m_db.LastInsertId() : 0;
    return Status(result);
}

HistoryStatus HistoryStore::EndRun(long long runId, const RunEnd& end) {
    // The run's rows are in the file before the run says how it ended.
    const HistoryStatus queued = Flush();
    std::lock_guard lock(m_mutex);
    sql::StatementPass pass(m_statements->endRun);
    pass->BindInt(1, runId);
    pass->BindInt(2, TimeOrNow(end.time));
    pass->BindText(3, OutcomeName(end.outcome));
    pass->BindInt(4, end.stored);
    pass->BindInt(5, end.skipped);
    pass->BindInt(6, end.failed);
    const HistoryStatus status = Status(pass->Step());
    return queued.Ok() ? status : queued;
}

int HistoryStore::InsertAlbum(long long runId, const AlbumStart& album) {
    sql::StatementPass pass(m_statements->insertAlbum);
    pass->BindInt(1, runId);
    pass->BindText(2, album.site);
    pass->BindText(3, album.address);
    pass->BindText(4, album.title);
    pass->BindInt(5, album.imageCount);
    pass->BindInt(6, TimeOrNow(album.time));
    return pass->Step();
}

HistoryStatus HistoryStore::RecordImage(long long runId, const ImageRecord& image) {
    std::lock_guard lock(m_mutex);
    return Status(InsertImage(runId, image));
}

int HistoryStore::InsertImage(long long runId, const ImageRecord& image) {
    sql::StatementPass pass(m_statements->insertImage);
    BindRun(pass, 1, runId);
    pass->BindText(2, image.site);
    pass->BindText(3, image.listing);
    pass->BindText(4, image.album);
    pass->BindText(5, image.title);
    pass->BindInt(6, image.number);
    pass->BindText(7, image.address);
    pass->BindText(8, image.path);
    pass->BindInt(9, image.size);
    pass->BindText(10, image.sha256);
    pass->BindInt(11, TimeOrNow(image.time));
    return pass->Step();
}

HistoryStatus HistoryStore::ForgetAlbum(const Text& albumAddress, int& removed) {
    WaitForQueue();
    std::lock_guard lock(m_mutex);
    removed = 0;
    // Both tables or neither: a half-forgotten album could still count as complete.
    sql::WriteTransaction transaction(m_db);
    if (transaction.Began() != SQLITE_OK) return Status(transaction.Began());
    int result = SQLITE_OK;
    {
        sql::StatementPass pass(m_statements->forgetImages);
        pass->BindText(1, albumAddress);
        if ((result = pass->Step()) != SQLITE_DONE) return Status(result);
    }
    const int images = m_db.Changes();
    {
        sql::StatementPass pass(m_statements->forgetAlbums);
        pass->BindText(1, albumAddress);
        if ((result = pass->Step()) != SQLITE_DONE) return Status(result);
    }
    result = transaction.Commit();
    if (result == SQLITE_OK) removed = images;
    return Status(result);
}

}  // namespace dorvane
