#include "custom/DownloadTask.h"

#include <utility>

#include "core/Numbers.h"
#include "core/Worker.h"
#include "net/ImageStep.h"

namespace dorvane::custom {

DownloadTask::DownloadTask(TextList items, Text folder, ThreadStarter startThread, NetworkLimits limits)
    : m_items(std::make_shared<const TextList>(std::move(items))),
      m_folder(std::move(folder)),
      m_startThread(startThread ? std::move(startThread) : ThreadStarter(StartWorkerThread)),
      m_limits(limits) {}

int DownloadTask::ItemCount() const { return static_cast<int>(m_items->size()); }

bool DownloadTask::Finished() const { return m_progress->ended.load(); }

int DownloadTask::Failed() const { return m_progress->failed.load(); }

void DownloadTask::Download(const Shared& shared, int first) {
    const TextList& items = *shared.items;
    TaskEvents& events = *shared.events;
    for (size_t n = static_cast<size_t>(first); n <= items.size(); n += 2) {
        const int item = static_cast<int>(n);
        ItemReport report{item, items[n - 1], shared.folder + IntegerText(item) + ".jpg"};
        events.ItemStarted(item, report.address);
        // Tried again while the failure may pass. An error page is not the image: shown and stored like a
        // download that brought nothing.
        const ImageAnswer answer = PlainImageAnswer(report.address, shared.limits);
        events.PictureArrived(item, answer.bytes);
        const StoredImage stored = StoreImage(report.path, answer);
        report.stored = stored.stored;
        report.failure = stored.failure;
        if (!report.stored) ++shared.progress->failed;
        events.ItemDone(report);
    }
}

void DownloadTask::GiveUp(const Shared& shared, int first) {
    const TextList& items = *shared.items;
    for (size_t n = static_cast<size_t>(first); n <= items.size(); n += 2) {
        const int item = static_cast<int>(n);
        ++shared.progress->failed;
        shared.events->ItemDone(
            {item, items[n - 1], shared.folder + IntegerText(item) + ".jpg", false, "no downloader thread"});
    }
}

// The last downloader to leave tells that the task is done, unless one of them was cut short; the task
// counts as finished only after that, so whoever sees it finished has been told.
void DownloadTask::Leave(const Shared& shared, bool whole) {
    Progress& progress = *shared.progress;
    if (!whole) progress.cutShort = true;
    if (--progress.downloadersLeft > 0) return;
    struct Ended {
        std::atomic<bool>& ended;
        ~Ended() { ended = true; }
    } ended{progress.ended};
    if (!progress.cutShort)
        shared.events->TaskFinished(static_cast<int>(shared.items->size()), progress.failed.load());
}

void DownloadTask::Run(const Shared& shared, int first) {
    try {
        Download(shared, first);
    } catch (...) {
        // A stop (or a failure) unwinds the downloader: it still leaves, and no end is reported.
        Leave(shared, false);
        throw;
    }
    Leave(shared, true);
}

bool DownloadTask::Start(std::shared_ptr<TaskEvents> events) {
    if (!events) events = std::make_shared<TaskEvents>();
    const Shared shared{m_items, m_folder, std::move(events), m_progress, m_limits};
    bool started = true;
    for (const int first : {1, 2}) {
        if (m_startThread([shared, first] { Run(shared, first); })) continue;
        // Nothing fetches this downloader's items: they are failures, counted before the task can be seen
        // to have ended.
        GiveUp(shared, first);
        Leave(shared, true);
        started = false;
    }
    return started;
}

}  // namespace dorvane::custom
