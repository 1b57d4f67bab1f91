#pragma once
// The words a site page shows for what its site answers: the page-count label and the status lines of a
// collection.
#include "collectors/SiteDescription.h"

namespace dorvane {

// "共" + count + "页 跳到：" or "共" + count + "页,打开：".
Text PagesLabel(PagesWording wording, const Text& count);
// The title label when an album begins (empty: unchanged).
Text AlbumBegunStatus(const AlbumWork& album);
// The title label when image `image` of the album is next (empty: unchanged).
Text ImageStatus(const AlbumWork& album, const ImageWork& work, int image);

}  // namespace dorvane
