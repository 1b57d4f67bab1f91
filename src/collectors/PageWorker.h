#pragma once
// The page-collection worker shared by the site collectors: every image of every listed album, album by
// album, into one folder per album title, each image shown in the page's preview on its way.
#include <functional>

#include "core/SitePage.h"
#include "core/Text.h"

namespace dorvane {

struct PageWorkerSite {
    Site site = Site::C;
    // The album line as it becomes the folder title (Site A drops its colons); unchanged when not set.
    std::function<Text(const Text& line)> titleChange;
    // The title label text for an album; "主题：" + title + " 正在采集 ." when not set.
    std::function<Text(const Text& title)> statusText;
    // The image addresses of album `album` (1-based line number), in order.
    std::function<TextList(int album, const Text& title)> albumImages;
    // Sites C to E keep the album's addresses in the viewer's list as they go.
    bool fillsViewerImages = true;
    // Sites B to E number each image in the counter label.
    bool writesCounter = true;
    // Header lines for every image request (a Referer line, or nothing).
    Text imageHeaders;
    int delayMilliseconds = 5;
};

// "主题：" + title + " 正在采集 ."
Text CollectingStatus(const Text& title);

// Runs one collection of the listing shown on the site's page. Meant for a worker thread: every step
// passes the worker's check point, so a stop ends it between steps and a pause holds it there.
void RunPageWorker(MainControls& controls, const PageWorkerSite& site);

// Fetches the album page at AlbumUrls[album] and cuts its image addresses out with `parse`; an album
// without an address (the list is shorter than the album list) has no images.
TextList FetchAlbumImages(int album, const std::function<TextList(const Text& page)>& parse);

}  // namespace dorvane
