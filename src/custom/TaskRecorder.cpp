#include "custom/TaskRecorder.h"

#include <utility>

#include "core/CodePage.h"
#include "core/Files.h"

namespace dorvane::custom {

namespace {

// The folder without its closing separator, as the file system names it.
Text FolderAddress(const Text& folder) {
    Text path = NativePath(folder);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

TaskRecorder::TaskRecorder(TaskHistory history, std::shared_ptr<TaskEvents> presenter, TaskRecord task)
    : m_history(std::move(history)), m_presenter(std::move(presenter)), m_task(std::move(task)) {}

TaskRecorder::~TaskRecorder() { End(RunOutcome::Stopped); }

void TaskRecorder::Check(const HistoryStatus& status) {
    if (status.Ok() || m_told) return;
    m_told = true;
    if (m_history.failed) m_history.failed(status);
}

long long TaskRecorder::RunLocked() {
    if (m_runTried || !m_history.store) return m_runId;
    m_runTried = true;
    HistoryStore& store = *m_history.store;
    Check(store.BeginRun({kCustomTaskKey, SystemTextToUtf8(m_task.source), 0}, m_runId));
    if (m_runId != 0)
        Check(store.QueueAlbum(m_runId, {kCustomTaskKey, FolderAddress(m_task.folder),
                                         SystemTextToUtf8(m_task.name), m_task.items, 0}));
    return m_runId;
}

void TaskRecorder::ItemStarted(int item, const Text& address) {
    {
        std::lock_guard lock(m_mutex);
        RunLocked();
    }
    if (m_presenter) m_presenter->ItemStarted(item, address);
}

void TaskRecorder::PictureArrived(int item, const Bytes& bytes) {
    if (m_presenter) m_presenter->PictureArrived(item, bytes);
}

void TaskRecorder::ItemDone(const ItemReport& report) {
    {
        std::lock_guard lock(m_mutex);
        ++(report.stored ? m_counts.stored : m_counts.failed);
        const long long runId = RunLocked();
        if (runId != 0 && report.stored) {
            Check(m_history.store->QueueImage(runId,
                                              {.site = kCustomTaskKey,
                                               .listing = SystemTextToUtf8(m_task.source),
                                               .album = FolderAddress(m_task.folder),
                                               .title = SystemTextToUtf8(m_task.name),
                                               .number = report.item,
                                               .address = SystemTextToUtf8(report.address),
                                               .path = NativePath(report.path)},
                                              report.path));
        }
    }
    if (m_presenter) m_presenter->ItemDone(report);
}

void TaskRecorder::TaskFinished(int items, int failed) {
    End(RunOutcome::Done);
    if (m_presenter) m_presenter->TaskFinished(items, failed);
}

void TaskRecorder::End(RunOutcome outcome) {
    std::lock_guard lock(m_mutex);
    if (m_ended || m_runId == 0) return;
    m_ended = true;
    RunEnd end = m_counts;
    end.outcome = outcome;
    Check(m_history.store->EndRun(m_runId, end));
}

}  // namespace dorvane::custom
