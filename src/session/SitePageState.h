#pragma once
// What a site page holds between its requests; guarded by the session's mutex.
#include "session/SitePageSession.h"

namespace dorvane {

struct SitePageSession::Viewer {
    TextList images;  // image addresses, or every album's cover (cover addressing)
    int count = 0;
    int position = 0;
    int coverIndex = 0;
};

struct SitePageSession::State {
    AlbumEntries menu;
    TextList pageItems;
    ListingSource source;
    AlbumEntries listing;
    Viewer viewer;
};

}  // namespace dorvane
