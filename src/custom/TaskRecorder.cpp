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
    : m_store(std::move(history.store)),
      m_presenter(std::move(presenter)),
      m_task(std::move(task)),
      m_run(m_store.get(), {kCustomTaskKey, SystemTextToUtf8(m_task.source), 0}, std::move(history.failed)) {}

TaskRecorder::~TaskRecorder() { m_run.End(RunOutcome::Stopped); }

void TaskRecorder::BeginLocked() {
    if (m_run.Begin())
        m_run.Album({.site = {},
                     .address = FolderAddress(m_task.folder),
                     .title = SystemTextToUtf8(m_task.name),
                     .imageCount = m_task.items});
}

void TaskRecorder::ItemStarted(int item, const Text& address) {
    {
        std::lock_guard lock(m_mutex);
        BeginLocked();
    }
    if (m_presenter) m_presenter->ItemStarted(item, address);
}

void TaskRecorder::PictureArrived(int item, const Bytes& bytes) {
    if (m_presenter) m_presenter->PictureArrived(item, bytes);
}

void TaskRecorder::ItemDone(const ItemReport& report) {
    {
        std::lock_guard lock(m_mutex);
        BeginLocked();
        m_run.Count(report.stored, false);
        if (report.stored) {
            m_run.Image({.album = FolderAddress(m_task.folder),
                         .title = SystemTextToUtf8(m_task.name),
                         .number = report.item,
                         .address = SystemTextToUtf8(report.address),
                         .path = NativePath(report.path)},
                        report.path);
        }
    }
    if (m_presenter) m_presenter->ItemDone(report);
}

void TaskRecorder::TaskFinished(int items, int failed) {
    {
        std::lock_guard lock(m_mutex);
        m_run.End(RunOutcome::Done);
    }
    if (m_presenter) m_presenter->TaskFinished(items, failed);
}

}  // namespace dorvane::custom
