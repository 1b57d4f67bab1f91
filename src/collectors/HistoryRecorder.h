#pragma once
// A collection recorded in the history as it goes: every event is passed on to the presenter unchanged,
// and the run, its albums and every image whose file stands whole under its final name are written to the
// store. An image skipped because its file is on disk is recorded too, so a folder collected before the
// history existed becomes known. A failure of the history is told once and costs the collection nothing.
#include <functional>

#include "collectors/CollectionEngine.h"
#include "history/HistoryRun.h"

namespace dorvane {

class HistoryRecorder : public CollectionEvents {
public:
    using Failed = HistoryRun::Failed;

    HistoryRecorder(HistoryStore& store, CollectionEvents& presenter, RunStart run, Failed failed);

    void CollectionBegun(int albumCount) override;
    void AlbumBegun(int album, int albumCount, const AlbumWork& work) override;
    void AlbumOpened(int album, const AlbumPlan& plan) override;
    void ImageNumbered(int image, int imageCount, const ImageWork& work) override;
    void PictureArrived(const Bytes& bytes) override;
    void ImageDone(const ImageReport& report) override;
    void PageFinished(const CollectionReport& report) override;

    // After a collection that did not reach its end (a stop, a halt, a failure): the run ends so.
    void Ended(RunOutcome outcome);

private:
    CollectionEvents& m_presenter;
    HistoryRun m_run;
    AlbumWork m_album;
};

// How a collection uses the history: none without a store.
struct HistoryUse {
    HistoryStore* store = nullptr;
    Text siteKey{};
    bool skipRecorded = false;  // images the history knows are not asked for
    HistoryRecorder::Failed failed{};
};

// The listing without the albums the history holds complete.
ListingSnapshot UnknownAlbums(const ListingSnapshot& listing, HistoryStore& store);

// Collects the listing as Collect does, recorded in the history when there is one; a run that a stop or a
// halt cut short is recorded so. Skipping what the history knows passes over complete albums too, without
// a request for their pages.
CollectionReport CollectRecorded(const SiteDescription& site, const ListingSnapshot& listing,
                                 CollectionOptions options, const SiteFetcher& fetch, CollectionEvents& presenter,
                                 const HistoryUse& history);

}  // namespace dorvane
