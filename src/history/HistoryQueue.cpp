// The writer thread: a collection queues its rows and goes on; the writer commits all that is queued in
// one transaction, so a batch costs one write to the log however many images it holds.
#include <sqlite3.h>

#include <utility>

#include "history/HistoryStatements.h"
#include "history/HistoryStore.h"
#include "history/Sha256.h"

namespace dorvane {

void HistoryStore::HashFiles(std::vector<Queued>& batch) {
    std::erase_if(batch, [](Queued& queued) {
        auto* image = std::get_if<ImageRecord>(&queued.row);
        if (!image || queued.file.empty()) return false;
        image->sha256 = FileSha256Hex(queued.file, &image->size);
        // Gone or unreadable already: no row names a file that is not there.
        return image->sha256.empty();
    });
}

HistoryStatus HistoryStore::QueueAlbum(long long runId, const AlbumStart& album) {
    return Queue({runId, album, {}});
}

HistoryStatus HistoryStore::QueueImage(long long runId, ImageRecord image, Text file) {
    return Queue({runId, std::move(image), std::move(file)});
}

HistoryStatus HistoryStore::Queue(Queued queued) {
    std::lock_guard lock(m_queueMutex);
    if (!m_writer.joinable()) m_writer = std::thread([this] { WriteQueued(); });
    m_queued.push_back(std::move(queued));
    m_queueChanged.notify_all();
    return std::exchange(m_queueFailure, HistoryStatus{});
}

void HistoryStore::WaitForQueue() {
    std::unique_lock lock(m_queueMutex);
    m_queueChanged.wait(lock, [this] { return m_queued.empty() && !m_writing; });
}

HistoryStatus HistoryStore::Flush() {
    WaitForQueue();
    std::lock_guard lock(m_queueMutex);
    return std::exchange(m_queueFailure, HistoryStatus{});
}

void HistoryStore::WriteQueued() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_queueChanged.wait(lock, [this] { return !m_queued.empty() || m_closing; });
        if (m_queued.empty()) return;
        std::vector<Queued> batch;
        batch.swap(m_queued);
        m_writing = true;
        lock.unlock();
        HashFiles(batch);
        const HistoryStatus status = CommitBatch(batch);
        lock.lock();
        m_writing = false;
        if (!status.Ok() && m_queueFailure.Ok()) m_queueFailure = status;
        m_queueChanged.notify_all();
    }
}

HistoryStatus HistoryStore::CommitBatch(const std::vector<Queued>& batch) {
    std::lock_guard lock(m_mutex);
    sql::WriteTransaction transaction(m_db);
    if (transaction.Began() != SQLITE_OK) return Status(transaction.Began());
    for (const Queued& queued : batch) {
        const int result = std::holds_alternative<AlbumStart>(queued.row)
                               ? InsertAlbum(queued.runId, std::get<AlbumStart>(queued.row))
                               : InsertImage(queued.runId, std::get<ImageRecord>(queued.row));
        if (result != SQLITE_DONE) return Status(result);
    }
    return Status(transaction.Commit());
}

void HistoryStore::StopWriter() {
    {
        std::lock_guard lock(m_queueMutex);
        m_closing = true;
        m_queueChanged.notify_all();
    }
    // The writer writes what is still queued before it ends.
    if (m_writer.joinable()) m_writer.join();
}

}  // namespace dorvane
