#pragma once
// A custom task recorded in the history as it goes: every event is passed on to the presenter unchanged,
// and the task's run and every item whose file stands whole are written to the store. The task has no
// album page of its own: its folder stands for the album's address, its name for the title, and the
// page the source came from (when it came from an address) for the listing. A run that a stop cut short
// is recorded so when the last downloader lets go of the recorder.
#include <functional>
#include <memory>
#include <mutex>

#include "custom/TaskEvents.h"
#include "history/HistoryRun.h"

namespace dorvane::custom {

// The key the custom page's tasks are recorded under, in the place of a site's.
inline constexpr const char* kCustomTaskKey = "custom";

// The history a task records into: none without a store.
struct TaskHistory {
    std::shared_ptr<HistoryStore> store;
    // Told the first failure of the history (the task goes on without it).
    HistoryRun::Failed failed;
};

// What the history is told about a task.
struct TaskRecord {
    Text name;      // the task's name
    Text folder;    // where its files go
    Text source{};  // the address its page's source was fetched from, when there is one
    int items = 0;
};

class TaskRecorder : public TaskEvents {
public:
    TaskRecorder(TaskHistory history, std::shared_ptr<TaskEvents> presenter, TaskRecord task);
    ~TaskRecorder() override;
    TaskRecorder(const TaskRecorder&) = delete;
    TaskRecorder& operator=(const TaskRecorder&) = delete;

    void ItemStarted(int item, const Text& address) override;
    void PictureArrived(int item, const Bytes& bytes) override;
    void ItemDone(const ItemReport& report) override;
    void TaskFinished(int items, int failed) override;

private:
    // Begins the run with the first item, off the window thread; the caller holds the mutex.
    void BeginLocked();

    const std::shared_ptr<HistoryStore> m_store;  // kept open for as long as a downloader reports
    const std::shared_ptr<TaskEvents> m_presenter;
    const TaskRecord m_task;
    std::mutex m_mutex;  // both downloaders report at once
    HistoryRun m_run;
};

}  // namespace dorvane::custom
