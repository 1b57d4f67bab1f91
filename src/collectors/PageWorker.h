#pragma once
// What every site's page collection shares: the frame around the site's own loop (the viewer's list
// emptied, the album count read once, the completion message) and the one step that fetches, shows and
// stores an image. Each site writes its loop over albums and images around these.
#include <functional>

#include "core/SitePage.h"
#include "core/Text.h"

namespace dorvane {

// "主题：" + title + " 正在采集 ."
Text CollectingStatus(const Text& title);

// Empties ViewerImages and returns the number of lines in the page's album list (read once: lines added
// or removed later are not seen).
int BeginPageCollection(SitePage& page);
// "本页采集完成" when "自动采集" is selected at that moment, with a second line "失败 N 张" when N images of
// the page were left without a file.
void FinishPageCollection(MainControls& controls);

struct ImageStep {
    Text url;
    Text headers;  // the site's header lines for image requests (a Referer line, or nothing)
    int delayMilliseconds = 5;
};

// One image: fetch with the site's headers, the worker's check point, show the bytes in the page's
// preview, write them under a temporary name while the site's wait runs, then give them their final
// name `pathFor(bytes)`. A failed or refused (>= 400) answer never replaces a file that holds bytes; a
// stop never leaves a file behind. True when the image's bytes were stored; false counts as a failure of
// the page. With a known path and the skip-existing setting on, an image whose file holds bytes is not
// fetched again and counts as stored.
bool CollectImage(SitePage& page, const ImageStep& step, const std::function<Text(const Bytes&)>& pathFor);
bool CollectImage(SitePage& page, const ImageStep& step, const Text& path);

// Images 1..count of an album into folder + j + ".jpg", numbering each in the counter label first.
// The addresses are made one at a time, so a hostile count costs time, never memory.
void CollectNumberedImages(SitePage& page, const Text& folder, int count,
                           const std::function<Text(int)>& urlOf, const Text& headers, int delayMilliseconds);

// Fetches the album page at AlbumUrls[album] and cuts its image addresses out with `parse`; an album
// without an address (the list is shorter than the album list) has no images.
TextList FetchAlbumImages(int album, const std::function<TextList(const Text& page)>& parse);

}  // namespace dorvane
