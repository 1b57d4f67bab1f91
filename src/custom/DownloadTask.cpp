#include "custom/DownloadTask.h"

#include <utility>

#include "core/Files.h"
#include "core/Numbers.h"
#include "core/Worker.h"
#include "net/Retry.h"

namespace dorvane::custom {

struct DownloadTask::Side {
    PictureBox* picture = nullptr;
    Label* status = nullptr;
};

namespace {

const Text& FailedLine() {
    static const Text failed = Gbk("[采集失败]\r\n");
    return failed;
}

}  // namespace

Text ItemLine(int n, const Text& address, const Text& what) {
    static const Text before = Gbk("【第");
    static const Text after = Gbk("张】");
    return before + IntegerText(n) + after + address + what;
}

DownloadTask::DownloadTask(TextList items, Text folder, ThreadStarter startThread, NetworkLimits limits)
    : m_items(std::make_shared<const TextList>(std::move(items))),
      m_folder(std::move(folder)),
      m_startThread(startThread ? std::move(startThread) : ThreadStarter(StartWorkerThread)),
      m_limits(limits) {}

int DownloadTask::ItemCount() const { return static_cast<int>(m_items->size()); }

bool DownloadTask::Finished() const { return m_progress->downloadersLeft.load() == 0; }

int DownloadTask::Failed() const { return m_progress->failed.load(); }

void DownloadTask::Download(const TextList& items, const Text& folder, int first, const Side& side,
                            EditBox* log, Progress& progress, const NetworkLimits& limits) {
    static const Text collecting = Gbk("[正在采集...]\r\n");
    static const Text succeeded = Gbk("[采集成功]\r\n");
    for (size_t n = static_cast<size_t>(first); n <= items.size(); n += 2) {
        const Text& address = items[n - 1];
        const int number = static_cast<int>(n);
        side.status->SetText(ItemLine(number, address, collecting));
        // Tried again while the failure may pass. An error page is not the image: shown and stored like a
        // download that brought nothing.
        FetchResult result = PlainDownloadRetrying(address, limits);
        WorkerCheckPoint();
        const Bytes bytes = std::move(result.body);
        const bool downloaded = !bytes.empty() && result.Succeeded();
        side.picture->SetPicture(bytes);
        const bool written = WriteImageFile(folder + IntegerText(number) + ".jpg", bytes);
        const bool ok = downloaded && written;
        if (!ok) ++progress.failed;
        log->AppendText(ItemLine(number, address, ok ? succeeded : FailedLine()));
    }
}

void DownloadTask::GiveUp(const TextList& items, int first, EditBox* log, Progress& progress) {
    for (size_t n = static_cast<size_t>(first); n <= items.size(); n += 2) {
        ++progress.failed;
        log->AppendText(ItemLine(static_cast<int>(n), items[n - 1], FailedLine()));
    }
}

bool DownloadTask::Start(CustomPage& page) {
    const Side odd{page.leftPicture, page.leftStatus};
    const Side even{page.rightPicture, page.rightStatus};
    EditBox* log = page.sourceBox;
    bool started = true;
    for (const auto& [first, side] : {std::pair{1, odd}, std::pair{2, even}}) {
        // Each downloader holds the task's items and progress for as long as it runs.
        auto routine = [items = m_items, folder = m_folder, first = first, side = side, log,
                        progress = m_progress, limits = m_limits] {
            struct Done {
                Progress& progress;
                ~Done() { --progress.downloadersLeft; }
            } done{*progress};
            Download(*items, folder, first, side, log, *progress, limits);
        };
        if (!m_startThread(routine)) {
            // Nothing fetches this downloader's items: they are failures, counted before the task can
            // be seen to have ended.
            GiveUp(*m_items, first, log, *m_progress);
            --m_progress->downloadersLeft;
            started = false;
        }
    }
    return started;
}

}  // namespace dorvane::custom
