#pragma once
// Program-wide state shared by the routines of every tab page. Every member is safe to use from the
// window thread and from workers at the same time.
#include <atomic>
#include <mutex>

#include "core/SharedList.h"

namespace dorvane {

class SharedText {
public:
    Text Get() const {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void Set(const Text& value) {
        std::lock_guard lock(m_mutex);
        m_value = value;
    }

private:
    mutable std::mutex m_mutex;
    Text m_value;
};

struct ProgramState {
    SharedList albumUrls;         // parallel to the album list of the site page loaded last
    SharedList albumImageCounts;  // Site B: image count per album, as decimal text
    SharedList viewerImages;      // the single-image viewer's image (or cover) addresses
    std::atomic<int> viewerPosition{0};
    std::atomic<int> viewerImageCount{0};
    std::atomic<int> viewerAlbumIndex{0};

    std::atomic<int> siteAListKind{0};
    SharedText siteAListPrefix;
    SharedList siteACategoryUrls;
    SharedText siteBTagUrl;
    SharedText siteBPage;

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
