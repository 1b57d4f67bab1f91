#include "collectors/Viewer.h"

#include <algorithm>

#include "collectors/SiteFetch.h"
#include "collectors/Listing.h"
#include "collectors/OutputPaths.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/ProgramState.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "text/Directory.h"
#include "text/Hash.h"

namespace dorvane {

Text CoverImageAddress(const Text& cover, int j) {
    return TextReplace(cover, "0.jpg", IntegerText(j) + ".jpg");
}

Text ViewerImageAddress(Addressing kind, int position) {
    ProgramState& state = State();
    if (kind == Addressing::Direct) return state.viewerImages.At(position);
    const Text cover = state.viewerImages.At(state.viewerAlbumIndex.load());
    if (cover.empty()) return {};
    return CoverImageAddress(cover, position);
}

void ShowViewerImage(SitePage& page, const ViewerAddressing& addressing, int position) {
    const Text address = ViewerImageAddress(addressing.kind, position);
    Bytes bytes;
    if (!address.empty()) bytes = FetchImage(address, addressing.imageHeaders);
    page.preview->SetPicture(bytes);
}

int BeginAlbumOpen(MainControls& controls, SitePage& page) {
    if (controls.autoCollect->IsSelected()) return 0;
    State().viewerImages.Clear();
    return std::max(page.albums->Selection() + 1, 0);
}

int BeginTitledAlbumOpen(MainControls& controls, SitePage& page) {
    const int album = BeginAlbumOpen(controls, page);
    if (album < 1) return album;
    page.title->SetText(page.albums->ItemText(album - 1));
    State().viewerPosition = 1;
    return album;
}

void AddViewerSteps(SiteRoutines& routines, Site site, std::function<ViewerAddressing()> addressing) {
    routines.previous = [site, addressing](MainControls& controls) {
        ViewerPrevious(controls, site, addressing());
    };
    routines.next = [site, addressing](MainControls& controls) { ViewerNext(controls, site, addressing()); };
    routines.save = [site](MainControls& controls) { ViewerSave(controls, site); };
}

void OpenAlbumDirect(MainControls& controls, Site site, const std::function<TextList(const Text&)>& images,
                     const ViewerAddressing& addressing) {
    SitePage& page = controls.Page(site);
    ProgramState& state = State();
    const int album = BeginTitledAlbumOpen(controls, page);
    if (album < 1) return;
    page.counter->SetText("1");

    const Text url = AlbumUrlAt(album);
    // An open that was replaced meanwhile stops right after its fetch, before it touches the viewer's list.
    const Text albumPage = url.empty() ? Text{} : FetchPage(url);
    TextList found = images(albumPage);
    if (found.empty()) return;
    state.viewerImageCount = static_cast<int>(found.size());
    state.viewerImages.Assign(std::move(found));
    ShowViewerImage(page, addressing, 1);
}

void ViewerPrevious(MainControls& controls, Site site, const ViewerAddressing& addressing) {
    ProgramState& state = State();
    const int position = state.viewerPosition.load();
    if (position < 2) {
        static const Text message = Gbk("已经是第一张了");
        controls.messages->Show(message);
        return;
    }
    SitePage& page = controls.Page(site);
    state.viewerPosition = position - 1;
    page.counter->SetText(IntegerText(position - 1));
    ShowViewerImage(page, addressing, position - 1);
}

void ViewerNext(MainControls& controls, Site site, const ViewerAddressing& addressing) {
    ProgramState& state = State();
    const int position = state.viewerPosition.load();
    if (position >= state.viewerImageCount.load()) {
        static const Text message = Gbk("已经是最后一张了");
        controls.messages->Show(message);
        return;
    }
    SitePage& page = controls.Page(site);
    state.viewerPosition = position + 1;
    page.counter->SetText(IntegerText(position + 1));
    ShowViewerImage(page, addressing, position + 1);
}

Text ViewerSave(MainControls& controls, Site site) {
    const Text folder = SingleSaveFolder(controls);
    EnsureDirectory(folder);
    const Bytes bytes = controls.Page(site).preview->GetPicture();
    // Nothing on screen is nothing to keep: an empty file announced as a success would be a lie.
    if (bytes.empty()) return {};
    const Text path = folder + Md5Hex(bytes, true, true) + ".jpg";
    if (!WriteFile(path, bytes)) return {};
    static const Text message = Gbk("采集成功！");
    controls.messages->Show(message);
    return path;
}

}  // namespace dorvane
