#pragma once
// The single-image viewer: one program-wide album (State().viewerImages and the viewer cursor), stepped
// image by image on whichever site page was clicked, with that page's addressing and request header.
#include <functional>

#include "core/SitePage.h"
#include "core/SiteRoutines.h"
#include "core/Text.h"

namespace dorvane {

enum class Addressing {
    // viewerImages[p] is the address of image p.
    Direct,
    // viewerImages[viewerAlbumIndex] is the cover of the open album; image p is the cover with every
    // "0.jpg" replaced by p + ".jpg".
    Cover,
};

struct ViewerAddressing {
    Addressing kind = Addressing::Direct;
    // Header lines sent with every image request (a Referer line, or nothing).
    Text imageHeaders;
};

// Image j of an album whose images lie beside its cover: every "0.jpg" of the cover address replaced by
// j + ".jpg" (letter case respected).
Text CoverImageAddress(const Text& cover, int j);

// The address of image `position` under that addressing; empty when the list has no entry for it (the
// list was emptied by a page collection, or an album opened with the other addressing is stepped).
Text ViewerImageAddress(Addressing kind, int position);

// Fetches image `position` and sets it as the page's picture. A position without an address is treated
// like a failed fetch: no request goes out and the picture is cleared.
void ShowViewerImage(SitePage& page, const ViewerAddressing& addressing, int position);

// The start of every site's open: nothing to do while "自动采集" is selected; otherwise ViewerImages is
// emptied. Returns the double-clicked line (1-based), 0 when there is nothing to open.
int BeginAlbumOpen(MainControls& controls, SitePage& page);
// BeginAlbumOpen, then, with a line to open, its text as the title and ViewerPosition 1.
int BeginTitledAlbumOpen(MainControls& controls, SitePage& page);

// Previous, next and save for a site page with that addressing (read when a step starts).
void AddViewerSteps(SiteRoutines& routines, Site site, std::function<ViewerAddressing()> addressing);

// Opens the selected album line of the page with direct addressing (the open contract of the Sites C to
// E): nothing while "自动采集" is selected; otherwise the title label, the counter "1", the album page
// fetched from AlbumUrls, its image addresses cut out by `images`, and image 1 shown.
void OpenAlbumDirect(MainControls& controls, Site site, const std::function<TextList(const Text&)>& images,
                     const ViewerAddressing& addressing);

// "已经是第一张了" at image 1 (or before any album); otherwise one image back.
void ViewerPrevious(MainControls& controls, Site site, const ViewerAddressing& addressing);
// "已经是最后一张了" at the last image; otherwise one image on.
void ViewerNext(MainControls& controls, Site site, const ViewerAddressing& addressing);
// Keeps the page's shown picture as OutputRoot + "单张采集/" + Md5Hex(bytes, upper, middle 16) + ".jpg";
// "采集成功！" when written. An empty picture box keeps nothing and reports nothing. Returns the path
// written, empty when nothing was.
Text ViewerSave(MainControls& controls, Site site);

}  // namespace dorvane
