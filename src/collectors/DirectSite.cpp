#include "collectors/DirectSite.h"

#include <memory>

#include "collectors/OutputPaths.h"
#include "collectors/PageWorker.h"
#include "collectors/SiteFetch.h"
#include "collectors/Viewer.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "text/Directory.h"

namespace dorvane {

namespace {

using Description = std::shared_ptr<const DirectSite>;

constexpr int kImageDelayMilliseconds = 5;

Text ImageHeaders(const DirectSite& site) { return site.imageHeaders ? site.imageHeaders() : Text{}; }

ViewerAddressing SiteAddressing(const DirectSite& site) { return {Addressing::Direct, ImageHeaders(site)}; }

void ListingLoad(const DirectSite& site, MainControls& controls) {
    SitePage& page = controls.Page(site.site);
    const Text pageText = BeginListingLoad(page);
    AppendAlbums(page, site.fetchListing(pageText));
}

void PageLoader(const DirectSite& site, MainControls& controls) {
    FillPageSelector(controls.Page(site.site), site.pageNumberText(FetchPage(site.firstListingUrl())));
    ListingLoad(site, controls);
}

void PageWorker(const DirectSite& site, MainControls& controls) {
    SitePage& page = controls.Page(site.site);
    const Text headers = ImageHeaders(site);
    const int albumCount = BeginPageCollection(page);
    for (int album = 1; album <= albumCount; ++album) {
        const Text title = page.albums->ItemText(album - 1);
        page.title->SetText(CollectingStatus(title));
        const TextList images = FetchAlbumImages(album, site.workerImageLinks);
        State().viewerImages.Assign(images);
        const Text folder = AlbumFolder(controls, title);
        WorkerCheckPoint();
        EnsureDirectory(folder);
        CollectNumberedImages(
            page, folder, static_cast<int>(images.size()), [&images](int j) { return images[j - 1]; },
            headers, kImageDelayMilliseconds);
    }
    FinishPageCollection(controls);
}

}  // namespace

SiteRoutines DirectSiteRoutines(const DirectSite& description) {
    // One shared copy: the routines outlive the caller's description and are copied freely.
    const Description site = std::make_shared<const DirectSite>(description);
    SiteRoutines routines;
    routines.pageLoader = [site](MainControls& controls) { PageLoader(*site, controls); };
    routines.pageWorker = [site](MainControls& controls) { PageWorker(*site, controls); };
    routines.listingLoad = [site](MainControls& controls) { ListingLoad(*site, controls); };
    routines.albumOpen = [site](MainControls& controls) {
        OpenAlbumDirect(controls, site->site, site->viewerImageLinks, SiteAddressing(*site));
    };
    AddViewerSteps(routines, site->site, [site] { return SiteAddressing(*site); });
    return routines;
}

}  // namespace dorvane
