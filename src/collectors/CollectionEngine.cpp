#include "collectors/CollectionEngine.h"

#include <chrono>

#include "collectors/OutputPaths.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "text/Directory.h"

namespace dorvane {

Text CoverImageAddress(const Text& cover, int j) { return TextReplace(cover, "0.jpg", IntegerText(j) + ".jpg"); }

ImageWork NumberedImage(const Text& url, int j, const Text& headers, int wait) {
    ImageWork image;
    image.url = url;
    image.numbered = true;
    image.headers = headers;
    image.fileName = IntegerText(j) + ".jpg";
    image.wait = wait;
    return image;
}

Text CollectingStatus(const Text& title) {
    static const Text before = Gbk("主题：");
    static const Text after = Gbk(" 正在采集 .");
    return before + title + after;
}

namespace {

void Wait(int milliseconds) {
    if (milliseconds > 0) CheckedDelaySince(std::chrono::steady_clock::now(), milliseconds);
}

class Run {
public:
    Run(const CollectionOptions& options, const SiteFetcher& fetch, CollectionEvents& events)
        : m_options(options), m_fetch(fetch), m_events(events) {}

    void Album(int album, int albumCount, const AlbumWork& work) {
        m_events.AlbumBegun(album, albumCount, work);
        const AlbumPlan plan = work.open(m_fetch);
        WorkerCheckPoint();
        Wait(plan.waitBeforeFolder);
        const Text folder = OutputRoot(m_options.saveFolder ? m_options.saveFolder() : Text{}) + plan.folder;
        EnsureDirectory(folder);
        Wait(plan.waitAfterFolder);
        ++m_report.albums;
        m_events.AlbumOpened(album, plan);
        for (int j = 1; j <= plan.imageCount; ++j) Image(album, j, plan, folder);
    }

    CollectionReport Report() const { return m_report; }

private:
    void Image(int album, int j, const AlbumPlan& plan, const Text& folder) {
        ImageWork work = plan.image(j);
        if (work.resolve) {
            work.url = work.resolve(m_fetch);
            Wait(work.waitAfterResolve);
        }
        m_events.ImageNumbered(j, plan.imageCount, work);
        ImageReport report{album, j, work.fileName.empty() ? Text{} : folder + work.fileName};
        // Asked for: an image already on disk from an earlier collection is not fetched again.
        if (m_options.skipExisting && !report.path.empty() && HasContent(report.path)) {
            report.stored = report.skipped = true;
        } else {
            Store(work, folder, report);
        }
        ++m_report.images;
        if (report.stored) ++m_report.stored; else ++m_report.failed;
        m_report.bytes += report.bytes;
        m_events.ImageDone(report);
    }

    // Fetch, show, stage while the site's wait runs, then the final name. A failed or refused answer
    // never replaces a file that holds bytes; a stop never leaves a file behind.
    void Store(const ImageWork& work, const Text& folder, ImageReport& report) {
        const Bytes bytes = m_fetch.Image(work.url, work.headers);
        m_events.PictureArrived(bytes);
        const auto shownAt = std::chrono::steady_clock::now();
        if (report.path.empty()) report.path = folder + (work.fileNameFor ? work.fileNameFor(bytes) : Text{});
        StagedFile file;
        const bool staged = StageImageFile(file, report.path, bytes);
        CheckedDelaySince(shownAt, work.wait);
        report.stored = staged && file.Commit() && !bytes.empty();
        report.bytes = report.stored ? static_cast<long long>(bytes.size()) : 0;
    }

    const CollectionOptions& m_options;
    const SiteFetcher& m_fetch;
    CollectionEvents& m_events;
    CollectionReport m_report;
};

}  // namespace

CollectionReport Collect(const SiteDescription& site, const ListingSnapshot& listing,
                         const CollectionOptions& options, const SiteFetcher& fetch, CollectionEvents& events) {
    const std::vector<AlbumWork> albums = site.Plan(listing);
    const int count = static_cast<int>(albums.size());
    events.CollectionBegun(count);
    Run run(options, fetch, events);
    for (int album = 1; album <= count; ++album) run.Album(album, count, albums[static_cast<size_t>(album - 1)]);
    const CollectionReport report = run.Report();
    events.PageFinished(report);
    return report;
}

}  // namespace dorvane
