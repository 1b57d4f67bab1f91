#include "collectors/CollectionEngine.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>

#include "collectors/OutputPaths.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/TextOps.h"
#include "core/WorkAhead.h"
#include "core/Worker.h"
#include "text/Directory.h"

namespace dorvane {

Text CoverImageAddress(const Text& cover, int j) { return TextReplace(cover, "0.jpg", IntegerText(j) + ".jpg"); }

ImageWork NumberedImage(const Text& url, int j, const Text& headers, int wait) {
    ImageWork image;
    image.url = url;
    image.headers = headers;
    image.fileName = IntegerText(j) + ".jpg";
    image.wait = wait;
    return image;
}

namespace {

void Wait(int milliseconds) {
    if (milliseconds > 0) CheckedDelaySince(std::chrono::steady_clock::now(), milliseconds);
}

// An album image as fetched ahead: its address found, its bytes.
struct FetchedImage {
    ImageWork work;  // as the site planned it; never changed once queued
    Text url;        // the address its job found
    Bytes bytes;
    Text failure;  // why there are no bytes
    bool fetched = false;  // false: its file was there already when its turn came, so nothing was asked
    std::chrono::steady_clock::time_point arrived;  // when the answer was in
};

// One piece of queued work: an album's opening or one of its images.
struct Ahead {
    WorkAhead::Ticket ticket = 0;
    std::shared_ptr<AlbumPlan> plan;  // an opening: filled by the job
    std::shared_ptr<FetchedImage> image;
};

class Run {
public:
    Run(const std::vector<AlbumWork>& albums, const CollectionOptions& options, const SiteFetcher& fetch,
        CollectionEvents& events)
        : m_albums(albums), m_options(options), m_fetch(fetch), m_events(events), m_ahead(options.parallel),
          m_depth(m_ahead.Threads() > 1 ? 2 * m_ahead.Threads() : 1) {}

    void Album(int album) {
        const int albumCount = static_cast<int>(m_albums.size());
        m_events.AlbumBegun(album, albumCount, m_albums[static_cast<size_t>(album - 1)]);
        const AlbumPlan plan = *TakeNext(m_openings).plan;
        WorkerCheckPoint();
        Wait(plan.waitBeforeFolder);
        MakeFolder(AlbumFolder(plan));
        Wait(plan.waitAfterFolder);
        ++m_report.albums;
        m_events.AlbumOpened(album, plan);
        for (int j = 1; j <= plan.imageCount && !m_report.halted; ++j) Image(album, j, plan);
    }

    CollectionReport Report() const { return m_report; }

private:
    // Made (or tried) once for as long as the save folder stays; tried again after a failure.
    const Text& MakeFolder(const Text& folder) {
        if (folder != m_folder || m_folderError != 0) {
            m_folder = folder;
            m_folderError = MakeDirectories(folder);
        }
        return m_folder;
    }

    Text AlbumFolder(const AlbumPlan& plan) const {
        return OutputRoot(m_options.saveFolder ? m_options.saveFolder() : Text{}) + plan.folder;
    }

    // The next opening or image in order, ended; what its job threw is thrown here.
    Ahead TakeNext(std::deque<Ahead>& queued) {
        Refill();
        Ahead next = std::move(queued.front());
        queued.pop_front();
        m_ahead.Take(next.ticket);
        // A paused collection holds here with its next piece in hand.
        WorkerCheckPoint();
        // The piece in hand no longer counts: while it is shown, more are on their way. One transfer at a
        // time keeps a plain loop's rhythm instead: the next fetch starts once this image is stored.
        if (m_ahead.Threads() > 1) Refill();
        return next;
    }

    // Queues work while fewer than m_depth pieces wait to be taken. An album's images are known once its
    // opening has ended; they are queued after those of the album before.
    void Refill() {
        while (m_ahead.Outstanding() < m_depth) {
            const bool imagesLeft = m_feed.plan && m_feed.image < m_feed.plan->imageCount;
            if (OpeningDue(imagesLeft)) {
                QueueOpening(++m_feed.album);
            } else if (imagesLeft) {
                QueueImage(++m_feed.image);
            } else if (!m_feed.openings.empty() && m_ahead.Ended(m_feed.openings.front().ticket)) {
                m_feed.plan = m_feed.openings.front().plan;
                m_feed.openings.pop_front();
                m_feed.folder = AlbumFolder(*m_feed.plan);
                m_feed.image = 0;
            } else {
                return;
            }
        }
    }

    // One transfer at a time asks for an album's page once the images before it are asked for, as a plain
    // loop would. Several ask for the next album's page before the current album's images, so its answer
    // is in when they are done and the next album's images follow without a round trip of nothing.
    bool OpeningDue(bool imagesLeft) const {
        if (m_feed.album >= static_cast<int>(m_albums.size()) || !m_feed.openings.empty()) return false;
        return m_ahead.Threads() > 1 || !imagesLeft;
    }

    void QueueOpening(int album) {
        auto plan = std::make_shared<AlbumPlan>();
        const AlbumWork& work = m_albums[static_cast<size_t>(album - 1)];
        const SiteFetcher& fetch = m_fetch;
        const WorkAhead::Ticket ticket = m_ahead.Queue([plan, &work, &fetch] {
            AlbumPlan opened = work.open(fetch);
            opened.imageCount = std::max(opened.imageCount, 0);
            *plan = std::move(opened);
        });
        m_openings.push_back({ticket, plan, nullptr});
        m_feed.openings.push_back(m_openings.back());
    }

    void QueueImage(int j) {
        auto image = std::make_shared<FetchedImage>();
        image->work = m_feed.plan->image(j);
        const Text path = image->work.fileName.empty() ? Text{} : m_feed.folder + image->work.fileName;
        const bool skipExisting = m_options.skipExisting;
        const auto recorded = m_options.recorded;
        const SiteFetcher& fetch = m_fetch;
        // An image found on a page of its own is asked for once the page's wait has passed; meanwhile its
        // thread goes on with other transfers.
        const WorkAhead::Ticket ticket = m_ahead.Queue(
            [image, &fetch] {
                const ImageWork& work = image->work;
                image->url = work.resolve ? work.resolve(fetch) : work.url;
                const int wait = work.resolve ? work.waitAfterResolve : 0;
                return WorkAhead::Clock::now() + std::chrono::milliseconds(wait);
            },
            [image, path, skipExisting, recorded, &fetch] {
                if (skipExisting && !path.empty() && HasContent(path)) return;
                if (recorded && recorded(image->url)) return;
                Fetch(fetch, *image);
            });
        m_images.push_back({ticket, nullptr, image});
    }

    static void Fetch(const SiteFetcher& fetch, FetchedImage& image) {
        ImageAnswer answer = fetch.FetchImage(image.url, image.work.headers);
        image.arrived = std::chrono::steady_clock::now();
        image.bytes = std::move(answer.bytes);
        image.failure = std::move(answer.failure);
        image.fetched = true;
    }

    void Image(int album, int j, const AlbumPlan& plan) {
        // Numbered while it is on its way, as one fetched only now would be.
        Refill();
        m_events.ImageNumbered(j, plan.imageCount, m_images.front().image->work);
        const Ahead next = TakeNext(m_images);
        FetchedImage& image = *next.image;
        const ImageWork& work = image.work;
        // The save folder as it is now: a folder chosen during the run takes effect here.
        const Text folder = MakeFolder(AlbumFolder(plan));
        ImageReport report{album, j, work.fileName.empty() ? Text{} : folder + work.fileName};
        report.url = image.url;
        // Asked for: an image already on disk from an earlier collection is not fetched again.
        const bool onDisk = m_options.skipExisting && !report.path.empty() && HasContent(report.path);
        if (onDisk || (m_options.recorded && m_options.recorded(image.url))) {
            // Collected before: on disk still, or known to the history wherever its file went since.
            report.stored = report.skipped = true;
        } else {
            // Its file went away after the fetch was left out, or the save folder changed in between.
            if (!image.fetched) Fetch(m_fetch, image);
            Store(work, image, folder, report);
        }
        ++m_report.images;
        if (report.stored) ++m_report.stored; else ++m_report.failed;
        m_report.bytes += report.bytes;
        m_events.ImageDone(report);
        m_report.halted = m_options.stopWhenBlocked && !report.blockedFolder.empty();
    }

    // Show, stage while the site's wait runs, then the final name. A failed or refused answer never
    // replaces a file that holds bytes; a stop never leaves a file behind.
    void Store(const ImageWork& work, const FetchedImage& image, const Text& folder, ImageReport& report) {
        const Bytes& bytes = image.bytes;
        m_events.PictureArrived(bytes);
        // One transfer at a time waits from the showing, so the next request follows the wait as in a plain
        // loop. With several the wait runs from the answer's arrival: it passes while the images before
        // this one are stored and the next ones are on their way, instead of after each of them in turn.
        const auto waitFrom = m_ahead.Threads() > 1 ? image.arrived : std::chrono::steady_clock::now();
        if (report.path.empty()) report.path = folder + (work.fileNameFor ? work.fileNameFor(bytes) : Text{});
        StagedFile file;
        const bool staged = StageImageFile(file, report.path, bytes);
        CheckedDelaySince(waitFrom, work.wait);
        const bool written = staged && file.Commit();
        report.stored = written && !bytes.empty();
        report.bytes = report.stored ? static_cast<long long>(bytes.size()) : 0;
        // A folder that could not be made says more than the write into it that followed.
        if (!written) report.writeError = m_folderError != 0 ? m_folderError : file.Error();
        if (report.writeError != 0) NameBlockedFolder(report, folder);
        report.failure = StoreFailure(image.failure, report.stored, report.writeError);
    }

    // Names the folder in which every later image would fail as this one did, with that folder's own
    // error. A full disk fails every write; an output folder that cannot be made or written fails every
    // album. Anything else may be this album's own (its name too long, a file where its folder should be):
    // nothing is named then.
    void NameBlockedFolder(ImageReport& report, const Text& folder) const {
        if (FailsEveryWrite(report.writeError)) {
            report.blockedFolder = folder;
            return;
        }
        const Text root = OutputRoot(m_options.saveFolder ? m_options.saveFolder() : Text{});
        int rootError = MakeDirectories(root);
        if (rootError == 0) rootError = FolderWriteError(root);
        if (rootError == 0) return;
        report.blockedFolder = root;
        report.writeError = rootError;
    }

    // Where queuing stands: the album whose opening was queued last, the openings whose images are not
    // queued yet, and the album whose images are being queued with those queued so far.
    struct Feed {
        int album = 0;
        std::deque<Ahead> openings;
        std::shared_ptr<AlbumPlan> plan;
        Text folder;  // the album's folder when its images were first queued (for skipping)
        int image = 0;
    };

    const std::vector<AlbumWork>& m_albums;
    const CollectionOptions& m_options;
    const SiteFetcher& m_fetch;
    CollectionEvents& m_events;
    CollectionReport m_report;
    Text m_folder;  // the album folder made last, and its failure
    int m_folderError = 0;
    Feed m_feed;
    // Queued and not taken, each in order.
    std::deque<Ahead> m_openings;
    std::deque<Ahead> m_images;
    // After the members its jobs use, so it goes before them.
    WorkAhead m_ahead;
    // Pieces queued and not taken. Several transfers keep up to twice their number queued, so a thread
    // whose answer waits to be shown goes on with the next transfer.
    const int m_depth;
};

}  // namespace

CollectionReport Collect(const SiteDescription& site, const ListingSnapshot& listing,
                         const CollectionOptions& options, const SiteFetcher& fetch, CollectionEvents& events) {
    const std::vector<AlbumWork> albums = site.Plan(listing);
    const int count = static_cast<int>(albums.size());
    events.CollectionBegun(count);
    Run run(albums, options, fetch, events);
    for (int album = 1; album <= count && !run.Report().halted; ++album) run.Album(album);
    const CollectionReport report = run.Report();
    if (!report.halted) events.PageFinished(report);
    return report;
}

}  // namespace dorvane
