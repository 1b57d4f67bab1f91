#pragma once
// What a site is, as values: its menu, the page choices of a menu entry, the albums of a listing page,
// the work of collecting a listing and the images of an album for the viewer. A site never touches a
// control or anything program-wide; it fetches through the fetcher it is handed, and the page session
// (the window's) or the command line keeps what it answers.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "collectors/Listing.h"
#include "collectors/SiteFetcher.h"
#include "core/Text.h"

namespace dorvane {

// What the listings of a page read, as the site chose it with its menu (Site A's listing prefix and kind,
// Site B's tag address). Its meaning belongs to the site; the page keeps it between requests.
struct ListingSource {
    Text base;
    int kind = 0;
};

// The page selector for a menu entry (or for the page itself on sites without a menu).
struct PageChoices {
    enum class Then {
        Nothing,       // the user picks a page next
        ListSelected,  // the page selected after filling is listed at once
        ListUnpaged,   // the source is listed at once without a page (the selector stays empty)
    };
    std::optional<Text> pagesShown;  // the page count as the site's own page gives it, if the label changes
    int pageCount = 0;               // the selector holds "1" .. pageCount
    std::optional<bool> paged;       // whether the listing is chosen by page (the selector shown), if that changes
    std::optional<ListingSource> source;
    Then then = Then::Nothing;
};

// The albums a collection works on: the listing the page showed when it started.
struct ListingSnapshot {
    AlbumEntries albums;
    ListingSource source;
    Text address{};  // the listing page's address
};

// What a page tells while it collects an album (the page session words it).
enum class ProgressKind {
    AlbumTopic,    // the album's line as the topic, its images counted
    ImageInAlbum,  // the album's title, then its line with the number of each image
    ImageLine,     // each image's own listing line
};

// How the page-count label words the count.
enum class PagesWording {
    JumpTo,  // "共" + count + "页 跳到："
    Open,    // "共" + count + "页,打开："
};

// One image of a collection.
struct ImageWork {
    Text url;  // the address, or empty when `resolve` finds it
    // Fetches what leads to the address (an image page of its own) when the image's turn comes.
    std::function<Text(const SiteFetcher&)> resolve;
    int waitAfterResolve = 0;  // milliseconds
    Text line;                 // its own listing line (ProgressKind::ImageLine)
    Text headers;              // request header lines for the image
    Text fileName;             // within the album folder; empty when `fileNameFor` names it by its bytes
    std::function<Text(const Bytes&)> fileNameFor;
    int wait = 5;  // milliseconds between showing the image and giving it its final name
};

// An album opened for collection.
struct AlbumPlan {
    int waitBeforeFolder = 0;
    Text folder;  // below the output root, safe already, with a trailing separator; empty for the root
    int waitAfterFolder = 0;
    TextList viewerImages;  // what the page's viewer steps through afterwards (empty: unchanged)
    bool setsViewerImages = false;
    int imageCount = 0;
    // Image j (1-based); made one at a time, so a hostile count costs time, never memory.
    std::function<ImageWork(int j)> image;
};

// One album of a collection.
struct AlbumWork {
    Text title{};  // the album's name, as its folder is named
    Text line{};   // the album's line as the listing shows it
    Text address{};  // the album's address (its cover's on sites that open albums beside their cover)
    ProgressKind progress = ProgressKind::AlbumTopic;
    std::function<AlbumPlan(const SiteFetcher&)> open{};
};

// The viewer's addressing: how image p of the open album is found.
enum class Addressing {
    Direct,  // images[p] is the address of image p
    Cover,   // images[coverIndex] is the album's cover; image p is it with every "0.jpg" made p + ".jpg"
};

// An album opened in the viewer.
struct ViewerAlbum {
    bool opened = false;  // false: nothing to open, the viewer keeps its state
    TextList images;
    int imageCount = 0;
    int coverIndex = 0;  // 1-based, Cover addressing only
};

class SiteDescription {
public:
    virtual ~SiteDescription() = default;

    // Sites with a category or tag box list it here; the others have none.
    virtual bool HasMenu() const { return false; }
    virtual AlbumEntries Menu(const SiteFetcher&) const { return {}; }
    // The menu entry chosen when the page is entered (0-based).
    virtual int EnteredMenuSelection() const { return 0; }

    // The page choices for menu entry `position` (1-based) of `menu`, or for the page itself.
    virtual PageChoices Choices(const SiteFetcher& fetch, int position, const AlbumEntries& menu) const = 0;
    // The source of the paged album listing of menu entry `position` (1-based; 0 on a site without a menu)
    // when the site names it without reading any page; nothing where a page must be read first.
    virtual std::optional<ListingSource> SourceUnread(int /*position*/) const { return std::nullopt; }
    // The address of a listing page, as Listing reads it (empty where the site names none).
    virtual Text ListingAddress(const ListingSource&, const Text& /*pageText*/) const { return {}; }
    // The albums of a listing page (`pageText` as the selector shows it; empty for an unpaged listing).
    virtual AlbumEntries Listing(const SiteFetcher& fetch, const ListingSource& source,
                                 const Text& pageText) const = 0;
    // The collection of a listing, album by album.
    virtual std::vector<AlbumWork> Plan(const ListingSnapshot& listing) const = 0;
    // Album `album` (1-based) of the listing, for the viewer.
    virtual ViewerAlbum OpenAlbum(const SiteFetcher& fetch, const ListingSnapshot& listing,
                                  int album) const = 0;
    virtual Addressing ViewerAddressing() const { return Addressing::Direct; }
    // An album opened in the viewer puts its line into the page's title before it is read.
    virtual bool OpenShowsTitle() const { return true; }
    virtual PagesWording PagesLabel() const { return PagesWording::JumpTo; }
    // Header lines for every image request of the viewer.
    virtual Text ImageHeaders() const = 0;
};

// Where a site lives: its host as whoever built the site gives it at the moment of asking ("name" or
// "name:port").
using HostSource = std::function<Text()>;

// Image j of an album whose images lie beside its cover: every "0.jpg" of the cover address replaced by
// j + ".jpg" (letter case respected).
Text CoverImageAddress(const Text& cover, int j);

// Image j of an album, counted on the page and stored as j + ".jpg".
ImageWork NumberedImage(const Text& url, int j, const Text& headers, int wait);

}  // namespace dorvane
