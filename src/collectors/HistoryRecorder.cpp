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
    : m_presenter(presenter), m_run(&store, std::move(run), std::move(failed)) {}

void HistoryRecorder::CollectionBegun(int albumCount) {
    m_run.Begin();
    m_presenter.CollectionBegun(albumCount);
}

void HistoryRecorder::AlbumBegun(int album, int albumCount, const AlbumWork& work) {
    m_album = work;
    m_presenter.AlbumBegun(album, albumCount, work);
}

void HistoryRecorder::AlbumOpened(int album, const AlbumPlan& plan) {
    m_run.Album({.site = {},
                 .address = Utf8(m_album.address),
                 .title = Utf8(m_album.title),
                 .imageCount = plan.imageCount});
    m_presenter.AlbumOpened(album, plan);
}

void HistoryRecorder::ImageNumbered(int image, int imageCount, const ImageWork& work) {
    m_presenter.ImageNumbered(image, imageCount, work);
}

void HistoryRecorder::PictureArrived(const Bytes& bytes) { m_presenter.PictureArrived(bytes); }

void HistoryRecorder::ImageDone(const ImageReport& report) {
    m_run.Count(report.stored, report.skipped);
    // The writer reads the file for its size and digest, off this thread. A skipped image was not
    // fetched: one whose file is gone was known to the history, and there is nothing to record.
    if (report.stored && (!report.skipped || HasContent(report.path))) {
        m_run.Image({.album = Utf8(m_album.address),
                     .title = Utf8(m_album.title),
                     .number = report.image,
                     .address = Utf8(report.url),
                     .path = NativePath(report.path)},
                    report.path);
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

void HistoryRecorder::Ended(RunOutcome outcome) { m_run.End(outcome); }

}  // namespace dorvane
