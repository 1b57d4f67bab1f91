#pragma once
// Program-wide state shared by the routines of every tab page. Every member is safe to use from the
// window thread and from workers at the same time.
#include <atomic>

#include "core/SharedList.h"

namespace dorvane {

struct ProgramState {
    SharedList albumUrls;         // parallel to the album list of the site page loaded last
    SharedList albumImageCounts;  // Site B: image count per album, as decimal text
    SharedList viewerImages;      // the single-image viewer's image (or cover) addresses
    std::atomic<int> viewerPosition{0};
    std::atomic<int> viewerImageCount{0};
    std::atomic<int> viewerAlbumIndex{0};

    SharedList customItems;
    std::atomic<int> customItemCount{0};
    SharedText customTaskName;

    SharedText folderDialogStart;
    SharedList catalogueLines;
    SharedList catalogueTopList;

    // Back to the start-up values (every list and text empty, every number 0).
    void Reset();
};

ProgramState& State();

}  // namespace dorvane
