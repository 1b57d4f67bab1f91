#pragma once
// The one collection engine: it runs the albums of a listing snapshot and their images through the same
// steps for every site (fetch, check point, show, stage, the site's wait, commit) and tells a presenter
// what happens as it happens. It never waits for the presenter: a window turns the events into control
// changes on its own thread, a terminal prints them.
//
// It runs on a worker thread: a stop unwinds it with WorkerStopped from its next check point (no event
// follows, nothing half-written stays), a pause holds it at its next one.
//
// The fetches run ahead of what is shown: up to `parallel` transfers at once on threads of their own
// (each with its own kept-alive connection). One thread asks for exactly what a plain loop would, in the
// same order (an album's page, then its images, then the next album's page), and waits the site's delay
// after showing each image. Several ask for the same, with the next album's page ahead of the current
// album's images, and an image's wait runs from its answer's arrival, while the next images are on their
// way. The events still come one image after another in order: image j is numbered, shown, given its wait
// and stored before image j + 1 is numbered. A stop aborts every transfer in flight; a pause holds the
// events and starts no further transfer.
#include <functional>

#include "collectors/SiteDescription.h"

namespace dorvane {

struct ImageReport {
    int album = 0;  // 1-based, as AlbumBegun numbered it
    int image = 0;  // 1-based within the album
    Text path;      // the file the image went to (or would have gone to)
    bool stored = false;
    bool skipped = false;  // already on disk, not fetched again
    long long bytes = 0;
    Text url{};  // the address it was fetched from
    // Why it has no file of its own: the fetch's reason ("HTTP 404", "timed out") or, when the bytes came,
    // "not written: " and the system's. Empty when stored.
    Text failure{};
    // The system's error number when its file (or its folder) could not be written; 0 otherwise.
    int writeError = 0;
    // Set with writeError when every later image would fail the same way (a full disk, an output folder
    // that cannot be made or written): that folder.
    Text blockedFolder{};
};

struct CollectionReport {
    int albums = 0;
    int images = 0;
    int stored = 0;
    int failed = 0;  // images left without a file of their own
    long long bytes = 0;
    bool halted = false;  // ended after a blocked image (CollectionOptions::stopWhenBlocked)
};

class CollectionEvents {
public:
    virtual ~CollectionEvents() = default;
    virtual void CollectionBegun(int /*albumCount*/) {}
    // The album's status text (empty: none) is due before the album is opened.
    virtual void AlbumBegun(int /*album*/, int /*albumCount*/, const AlbumWork& /*work*/) {}
    // The album was read: its folder exists, its image count is known.
    virtual void AlbumOpened(int /*album*/, const AlbumPlan& /*plan*/) {}
    // Image `image` of the album is next: its status text and number are due.
    virtual void ImageNumbered(int /*image*/, int /*imageCount*/, const ImageWork& /*work*/) {}
    // The fetched bytes (empty after a failed fetch) are to be shown.
    virtual void PictureArrived(const Bytes& /*bytes*/) {}
    virtual void ImageDone(const ImageReport& /*report*/) {}
    // The last album is done (never after a stop or a halt).
    virtual void PageFinished(const CollectionReport& /*report*/) {}
};

struct CollectionOptions {
    // The save folder, read afresh for every image's path, so a folder chosen during a run takes effect
    // at the next image (its album folder is made there when needed).
    std::function<Text()> saveFolder;
    // An album image whose final file exists and is not empty is not fetched again.
    bool skipExisting = false;
    // An image for which this answers true (its address is in the collection history) is not asked for at
    // all; it counts as skipped. Called from the transfer threads.
    std::function<bool(const Text& imageAddress)> recorded{};
    // Transfers in flight ahead of the image shown (1 to 16); at most twice this many fetched bodies wait
    // beside the one shown. Whoever starts the collection gives the settings' number.
    int parallel = 1;
    // Ends the run after an image whose report names a blocked folder, since every later image would fail
    // the same way; no PageFinished follows. A window's collection goes on instead.
    bool stopWhenBlocked = false;
};

// Collects the listing. Returns the report that PageFinished was given.
CollectionReport Collect(const SiteDescription& site, const ListingSnapshot& listing,
                         const CollectionOptions& options, const SiteFetcher& fetch, CollectionEvents& events);

}  // namespace dorvane
