#include "session/CustomPage.h"

#include <memory>
#include <mutex>
#include <utility>

#include "core/Numbers.h"
#include "custom/CustomRules.h"
#include "custom/DownloadTask.h"
#include "custom/TaskRecorder.h"
#include "text/Directory.h"

namespace dorvane::custom {

namespace {

constexpr int kTaskCheckMilliseconds = 5000;
constexpr int kClipboardMilliseconds = 2000;

// The task the watcher watches: the one started last.
struct Current {
    std::mutex mutex;
    std::shared_ptr<DownloadTask> task;
};

Current& TheCurrent() {
    static Current* current = new Current;
    return *current;
}

Text TaskFolder(MainControls& controls, const Text& taskName) {
    static const Text custom = Gbk("自定义采集");
    return controls.saveFolder->GetText() + "/" + custom + "/" + taskName + "/";
}

// The address in the address box when the source may have come from it; none when the box holds its hint
// or anything else.
Text SourceAddress(CustomPage& page) {
    const Text address = page.urlBox ? page.urlBox->GetText() : Text{};
    return address.starts_with("http://") || address.starts_with("https://") ? address : Text{};
}

void StartTask(MainControls& controls, const TextList& items, const Text& taskName, const NetworkLimits& limits,
               std::shared_ptr<TaskEvents> events, const TaskHistory& history) {
    CustomPage& page = controls.custom;
    const Text folder = TaskFolder(controls, taskName);
    EnsureDirectory(folder);
    if (history.store) {
        events = std::make_shared<TaskRecorder>(
            history, std::move(events),
            TaskRecord{taskName, folder, SourceAddress(page), static_cast<int>(items.size())});
    }
    page.taskStatus->SetText(taskName);
    auto task = std::make_shared<DownloadTask>(items, folder, nullptr, limits);
    {
        Current& current = TheCurrent();
        std::lock_guard lock(current.mutex);
        current.task = task;
    }
    task->Start(std::move(events));
    page.taskTimer->SetPeriod(kTaskCheckMilliseconds);
}

}  // namespace

void Start(MainControls& controls, const NetworkLimits& limits, std::shared_ptr<TaskEvents> events,
           const TaskHistory& history) {
    CustomPage& page = controls.custom;
    const Text source = page.sourceBox->GetText();
    const Rules rules{page.titleStart->GetText(), page.titleEnd->GetText(), page.contentStart->GetText(),
                      page.contentEnd->GetText()};
    Extraction found = Extract(source, rules);
    if (found.items.empty()) {
        static const Text nothing = Gbk("错误！标题！");
        controls.messages->Show(nothing);
        return;
    }
    const Text taskName = TaskName(found.titles, found.items.size());
    page.sourceBox->SetText({});
    page.sourceBox->SetReadOnly(true);
    if (page.extractLinks->IsSelected()) {
        page.sourceBox->AppendText(ExtractionOutput(found.items));
        static const Text done = Gbk("==== 提 取 完 成 ====");
        controls.messages->Show(done);
    } else if (page.imageCollect->IsSelected()) {
        StartTask(controls, found.items, taskName, limits, std::move(events), history);
    } else {
        page.moreFunctions->SetSelected(true);
        page.noticeBox->SetVisible(true);
    }
}

void TaskTimerTick(MainControls& controls) {
    std::shared_ptr<DownloadTask> task;
    {
        Current& current = TheCurrent();
        std::lock_guard lock(current.mutex);
        task = current.task;
        if (task && task->Finished()) current.task.reset();
    }
    if (task && !task->Finished()) return;
    controls.custom.taskTimer->SetPeriod(0);
    if (!task) return;
    static const Text done = Gbk("==== 任 务 完 成 ====");
    static const Text failedBefore = Gbk("\r\n失败 ");
    static const Text failedAfter = Gbk(" 张");
    const int failed = task->Failed();
    controls.messages->Show(failed > 0 ? done + failedBefore + IntegerText(failed) + failedAfter : done);
    controls.custom.clipboardTimer->SetPeriod(kClipboardMilliseconds);
}

}  // namespace dorvane::custom
