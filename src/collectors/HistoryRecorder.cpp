#include "collectors/HistoryRecorder.h"

#include "core/CodePage.h"
#include "core/Files.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

// The history is read by people and by other tools too: its texts are UTF-8 and its paths as the file
// system has them.
Text Utf8(const Text& text) { return SystemTextToUtf8(text); }

}  // namespace

HistoryRecorder::HistoryRecorder(HistoryStore& store, CollectionEvents& presenter, RunStart run, Failed failed)
    : m_store(store), m_presenter(presenter), m_run(std::move(run)), m_failed(std::move(failed)) {}

void HistoryRecorder::Check(const HistoryStatus& status) {
    if (status.Ok() || m_told) return;
    m_told = true;
    if (m_failed) m_failed(status);
}

void HistoryRecorder::CollectionBegun(int albumCount) {
    Check(m_store.BeginRun(m_run, m_runId));
    m_presenter.CollectionBegun(albumCount);
}

void HistoryRecorder::AlbumBegun(int album, int albumCount, const AlbumWork& work) {
    m_album = work;
    m_presenter.AlbumBegun(album, albumCount, work);
}

void HistoryRecorder::AlbumOpened(int album, const AlbumPlan& plan) {
    if (m_runId != 0)
        Check(m_store.QueueAlbum(m_runId, {m_run.site, Utf8(m_album.address), Utf8(m_album.title), plan.imageCount}));
    m_presenter.AlbumOpened(album, plan);
}

void HistoryRecorder::ImageNumbered(int image, int imageCount, const ImageWork& work) {
    m_presenter.ImageNumbered(image, imageCount, work);
}

void HistoryRecorder::PictureArrived(const Bytes& bytes) { m_presenter.PictureArrived(bytes); }

void HistoryRecorder::ImageDone(const ImageReport& report) {
    if (!report.stored) ++m_counts.failed;
    else if (report.skipped) ++m_counts.skipped;
    else ++m_counts.stored;
    // The writer reads the file for its size and digest, off this thread. A skipped image was not
    // fetched: one whose file is gone was known to the history, and there is nothing to record.
    if (m_runId != 0 && report.stored && (!report.skipped || HasContent(report.path))) {
        Check(m_store.QueueImage(m_runId,
                                 {.site = m_run.site,
                                  .listing = m_run.listing,
                                  .album = Utf8(m_album.address),
                                  .title = Utf8(m_album.title),
                                  .number = report.image,
                                  .address = Utf8(report.url),
                                  .path = NativePath(report.path)},
                                 report.path));
    }
    m_presenter.ImageDone(report);
}

void HistoryRecorder::PageFinished(const CollectionReport& report) {
    Ended(RunOutcome::Done);
    m_presenter.PageFinished(report);
}

ListingSnapshot UnknownAlbums(const ListingSnapshot& listing, HistoryStore& store) {
    ListingSnapshot unknown = listing;
    std::erase_if(unknown.albums, [&store](const AlbumEntry& album) { return store.IsAlbumComplete(Utf8(album.url)); });
    return unknown;
}

CollectionReport CollectRecorded(const SiteDescription& site, const ListingSnapshot& listing,
                                 CollectionOptions options, const SiteFetcher& fetch, CollectionEvents& presenter,
                                 const HistoryUse& history) {
    HistoryStore* store = history.store;
    if (!store) return Collect(site, listing, options, fetch, presenter);
    ListingSnapshot unknown = listing;
    if (history.skipRecorded) {
        options.recorded = [store](const Text& url) { return store->IsImageKnown(SystemTextToUtf8(url)); };
        unknown = UnknownAlbums(listing, *store);
    }
    HistoryRecorder recorder(*store, presenter, RunStart{history.siteKey, Utf8(listing.address)}, history.failed);
    try {
        const CollectionReport report = Collect(site, unknown, options, fetch, recorder);
        if (report.halted) recorder.Ended(RunOutcome::Failed);
        return report;
    } catch (const WorkerStopped&) {
        recorder.Ended(RunOutcome::Stopped);
        throw;
    }
}

void HistoryRecorder::Ended(RunOutcome outcome) {
    if (m_ended || m_runId == 0) return;
    m_ended = true;
    RunEnd end = m_counts;
    end.outcome = outcome;
    Check(m_store.EndRun(m_runId, end));
}

}  // namespace dorvane
