#pragma once
#include "core/Text.h"

namespace dorvane {

// Image bytes for the preview and the files. An answer with an HTTP error status (a 404 page, a 500
// page) counts as a failed download and gives empty bytes like a failed transfer: its body is a web
// page, not the image, and must neither be shown nor written under an image's name.
Bytes FetchImage(const Text& url, const Text& headers);

}  // namespace dorvane
