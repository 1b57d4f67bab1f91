#pragma once
// The download task of the custom page: every extracted piece taken as an image address and saved as
// n.jpg in the task folder, the odd items by one downloader and the even ones by another, each on a
// thread of its own with its own picture box and status label, both logging into the source box.
#include <atomic>
#include <functional>
#include <memory>

#include "core/NetworkLimits.h"
#include "core/SitePage.h"
#include "core/Text.h"

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

    // Starts the odd and the even downloader. Both are untracked workers: the pause and stop buttons of
    // the top area do not reach them, the program's exit does. False when a thread could not be made; the
    // items of a downloader that never ran are logged and counted as failed.
    bool Start(CustomPage& page);

    // True once both downloaders have handled every item of theirs (or left early on a stop).
    bool Finished() const;
    // Items that failed: no answer, an HTTP error status, or a file that could not be written.
    int Failed() const;
    int ItemCount() const;

private:
    struct Progress {
        std::atomic<int> downloadersLeft{2};
        std::atomic<int> failed{0};
    };
    struct Side;
    static void Download(const TextList& items, const Text& folder, int first, const Side& side, EditBox* log,
                         Progress& progress, const NetworkLimits& limits);
    static void GiveUp(const TextList& items, int first, EditBox* log, Progress& progress);

    std::shared_ptr<const TextList> m_items;
    Text m_folder;
    ThreadStarter m_startThread;
    NetworkLimits m_limits;
    std::shared_ptr<Progress> m_progress = std::make_shared<Progress>();
};

// "【第" + n + "张】" + address + what, as the status labels and the log write it.
Text ItemLine(int n, const Text& address, const Text& what);

}  // namespace dorvane::custom
