#include "collectors/PageWorker.h"

#include <chrono>

#include "collectors/ImageFetch.h"
#include "collectors/Listing.h"
#include "collectors/OutputPaths.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "net/HttpFetch.h"
#include "text/Directory.h"

namespace dorvane {

Text CollectingStatus(const Text& title) {
    static const Text before = Gbk("主题：");
    static const Text after = Gbk(" 正在采集 .");
    return before + title + after;
}

TextList FetchAlbumImages(int album, const std::function<TextList(const Text& page)>& parse) {
    const Text url = AlbumUrlAt(album);
    if (url.empty()) return {};
    return parse(HttpFetch(url));
}

namespace {

void CollectAlbum(MainControls& controls, const PageWorkerSite& site, SitePage& page, int album) {
    const Text line = page.albums->ItemText(album - 1);
    const Text title = site.titleChange ? site.titleChange(line) : line;
    page.title->SetText(site.statusText ? site.statusText(title) : CollectingStatus(title));

    const TextList images = site.albumImages ? site.albumImages(album, title) : TextList{};
    if (site.fillsViewerImages) State().viewerImages.Assign(images);

    const Text folder = AlbumFolder(controls, title);
    WorkerCheckPoint();
    EnsureDirectory(folder);

    for (size_t j = 1; j <= images.size(); ++j) {
        const Text number = IntegerText(static_cast<long long>(j));
        if (site.writesCounter) page.counter->SetText(number);
        const Bytes bytes = FetchImage(images[j - 1], site.imageHeaders);
        // A transfer aborted by a stop comes back empty; it must not be taken for a failed download.
        WorkerCheckPoint();
        page.preview->SetPicture(bytes);
        const auto shownAt = std::chrono::steady_clock::now();
        // The bytes fetched here, not the picture box's: a viewer click on the same page during the wait
        // must not put another image under this album's file name. They are written under a temporary
        // name while the wait runs and take their final name only after it; a stop during the wait
        // leaves nothing behind.
        StagedFile file;
        const bool staged = StageImageFile(file, folder + number + ".jpg", bytes);
        CheckedDelaySince(shownAt, site.delayMilliseconds);
        if (staged) file.Commit();
    }
}

}  // namespace

void RunPageWorker(MainControls& controls, const PageWorkerSite& site) {
    SitePage& page = controls.Page(site.site);
    State().viewerImages.Clear();
    const int albumCount = page.albums->ItemCount();
    for (int album = 1; album <= albumCount; ++album) CollectAlbum(controls, site, page, album);
    if (controls.autoCollect->IsSelected()) {
        static const Text message = Gbk("本页采集完成");
        controls.messages->Show(message);
    }
}

}  // namespace dorvane
