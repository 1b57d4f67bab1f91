#include "collectors/PageWorker.h"

#include <chrono>

#include "collectors/ImageFetch.h"
#include "collectors/Listing.h"
#include "collectors/OutputPaths.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "net/HttpFetch.h"

namespace dorvane {

Text CollectingStatus(const Text& title) {
    static const Text before = Gbk("主题：");
    static const Text after = Gbk(" 正在采集 .");
    return before + title + after;
}

int BeginPageCollection(SitePage& page) {
    State().viewerImages.Clear();
    return page.albums->ItemCount();
}

void FinishPageCollection(MainControls& controls) {
    if (!controls.autoCollect->IsSelected()) return;
    static const Text message = Gbk("本页采集完成");
    controls.messages->Show(message);
}

bool CollectImage(SitePage& page, const ImageStep& step, const std::function<Text(const Bytes&)>& pathFor) {
    const Bytes bytes = FetchImage(step.url, step.headers);
    // A transfer aborted by a stop comes back empty; it must not be taken for a failed download.
    WorkerCheckPoint();
    page.preview->SetPicture(bytes);
    const auto shownAt = std::chrono::steady_clock::now();
    // The bytes fetched here, not the picture box's: a viewer click on the same page during the wait must
    // not put another image under this file name. They are written under a temporary name while the wait
    // runs and take their final name only after it, so a stop during the wait leaves nothing behind.
    StagedFile file;
    const bool staged = StageImageFile(file, pathFor(bytes), bytes);
    CheckedDelaySince(shownAt, step.delayMilliseconds);
    return staged && file.Commit();
}

bool CollectImage(SitePage& page, const ImageStep& step, const Text& path) {
    return CollectImage(page, step, [&path](const Bytes&) { return path; });
}

void CollectNumberedImages(SitePage& page, const Text& folder, int count,
                           const std::function<Text(int)>& urlOf, const Text& headers,
                           int delayMilliseconds) {
    for (int j = 1; j <= count; ++j) {
        const Text number = IntegerText(j);
        page.counter->SetText(number);
        CollectImage(page, {urlOf(j), headers, delayMilliseconds}, folder + number + ".jpg");
    }
}

TextList FetchAlbumImages(int album, const std::function<TextList(const Text& page)>& parse) {
    const Text url = AlbumUrlAt(album);
    if (url.empty()) return {};
    const Text page = HttpFetch(url);
    WorkerCheckPoint();
    return parse(page);
}

}  // namespace dorvane
