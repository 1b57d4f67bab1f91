#include "collectors/PageWorker.h"

#include <chrono>

#include "collectors/Listing.h"
#include "collectors/OutputPaths.h"
#include "collectors/SiteFetch.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "core/Worker.h"

namespace dorvane {

Text CollectingStatus(const Text& title) {
    static const Text before = Gbk("主题：");
    static const Text after = Gbk(" 正在采集 .");
    return before + title + after;
}

namespace {

// Images of the page collection running on this thread that ended without a file of their own (the
// download failed after every try, or the file could not be written). A page collection runs on one
// worker thread from its beginning to its end.
thread_local int t_failedImages = 0;

}  // namespace

int BeginPageCollection(SitePage& page) {
    t_failedImages = 0;
    State().viewerImages.Clear();
    return page.albums->ItemCount();
}

void FinishPageCollection(MainControls& controls) {
    if (!controls.autoCollect->IsSelected()) return;
    static const Text done = Gbk("本页采集完成");
    static const Text failedBefore = Gbk("\r\n失败 ");
    static const Text failedAfter = Gbk(" 张");
    const int failed = t_failedImages;
    controls.messages->Show(failed > 0 ? done + failedBefore + IntegerText(failed) + failedAfter : done);
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
    const bool stored = staged && file.Commit() && !bytes.empty();
    if (!stored) ++t_failedImages;
    return stored;
}

bool CollectImage(SitePage& page, const ImageStep& step, const Text& path) {
    // Asked for: an image already on disk from an earlier collection is not fetched again.
    if (CurrentSettings().skipExisting && HasContent(path)) return true;
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
    return parse(FetchPage(url));
}

}  // namespace dorvane
