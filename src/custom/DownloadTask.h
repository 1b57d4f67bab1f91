#pragma once
// The download task of the custom page: every extracted piece taken as an image address and saved as
// n.jpg in the task folder, the odd items by one downloader and the even ones by another, each on a
// thread of its own. It tells what happens as events and never waits for a window.
#include <atomic>
#include <functional>
#include <memory>

#include "core/NetworkLimits.h"
#include "core/Text.h"
#include "custom/TaskEvents.h"

namespace dorvane {
class WorkerToken;
}

namespace dorvane::custom {

class DownloadTask {
public:
    // Makes a downloader's thread (StartWorkerThread); nullptr when it could not.
    using ThreadStarter = std::function<std::shared_ptr<WorkerToken>(std::function<void()>)>;

    // The task works from its own copy of the items and the folder: a later "开始" cannot change what this
    // task downloads or where it writes. Every download keeps to the limits.
    DownloadTask(TextList items, Text folder, ThreadStarter startThread = {}, NetworkLimits limits = {});

    // Starts the odd and the even downloader, which report to `events` (none: nobody listens). Both are
    // untracked workers: the pause and stop buttons of the top area do not reach them, the program's exit
    // does. False when a thread could not be made; the items of a downloader that never ran are reported
    // as failed.
    bool Start(std::shared_ptr<TaskEvents> events);

    // True once both downloaders have handled every item of theirs (or left early on a stop).
    bool Finished() const;
    // Items that failed: no answer, an HTTP error status, or a file that could not be written.
    int Failed() const;
    int ItemCount() const;

private:
    struct Progress {
        std::atomic<int> downloadersLeft{2};
        std::atomic<int> failed{0};
        std::atomic<bool> cutShort{false};
        std::atomic<bool> ended{false};
    };
    // What a downloader holds for as long as it runs.
    struct Shared {
        std::shared_ptr<const TextList> items;
        Text folder;
        std::shared_ptr<TaskEvents> events;
        std::shared_ptr<Progress> progress;
        NetworkLimits limits;
    };
    static void Run(const Shared& shared, int first);
    static void Download(const Shared& shared, int first);
    static void GiveUp(const Shared& shared, int first);
    static void Leave(const Shared& shared, bool whole);

    std::shared_ptr<const TextList> m_items;
    Text m_folder;
    ThreadStarter m_startThread;
    std::shared_ptr<Progress> m_progress = std::make_shared<Progress>();
    NetworkLimits m_limits;
};

}  // namespace dorvane::custom
