#pragma once
// The fetches of the site routines. Each is tried again while its failure may pass (a broken connection,
// 429, 5xx; as many times as the retries setting says) and is followed at once by the worker's check
// point: a routine whose fetch a stop cut short takes no further step, so it never empties or fills a
// list that a newer routine has filled meanwhile.
#include "core/Text.h"

namespace dorvane {

// Image bytes for the preview and the files. An answer with an HTTP error status (a 404 page, a 500
// page) counts as a failed download and gives empty bytes like a failed transfer: its body is a web
// page, not the image, and must neither be shown nor written under an image's name.
Bytes FetchImage(const Text& url, const Text& headers);

// A page as GBK text, decoded by its declared charset; empty when it could not be fetched.
Text FetchPage(const Text& url, const Text& headers = {});

// A page the site serves in UTF-8 (whatever it declares) as GBK text.
Text FetchUtf8Page(const Text& url);

}  // namespace dorvane
