#pragma once
// The image step every collection shares: an image's answer, fetched with retries and put in a few words
// when it brings nothing, then its file written whole (a temporary name first, then the final one). The
// page collections fetch through their site's fetcher, the custom task with a plain download; both
// answers are read and stored here.
#include "core/NetworkLimits.h"
#include "core/Text.h"
#include "net/Fetch.h"

namespace dorvane {

// Image bytes, and why there are none.
struct ImageAnswer {
    Bytes bytes;
    Text failure;  // "HTTP 404", "timed out", "empty answer", ...; empty when the bytes arrived
};

// The answer of a finished (retried) image fetch. Passes the worker's check point first: a transfer that a
// stop cut short comes back empty and must not be taken for a failed download.
// `limits` are those it was fetched under.
ImageAnswer ReadImageAnswer(FetchResult result, const NetworkLimits& limits);

// The plain download of an image (net/PlainDownload), tried again while its failure may pass. An answer
// with an HTTP error status is a failure: its body is a web page, not the image.
ImageAnswer PlainImageAnswer(const Text& url, const NetworkLimits& limits);

struct StoredImage {
    bool stored = false;  // the answer's bytes stand under their final name
    int writeError = 0;   // the system's error number when the file could not be written
    Text failure;  // the answer's failure, else "not written: " and the system's words; empty when stored
};

// Why an image has no file of its own: the fetch's failure, else "not written" with the system's words for
// the write's error (0: none known); empty when it was stored.
Text StoreFailure(const Text& fetchFailure, bool stored, int writeError);

// Writes the answer's bytes under path, whole or not at all. An empty answer does not replace a file that
// holds bytes from an earlier run; where there is none it leaves an empty file, so the numbering stays
// visible. Passes the worker's check point first: a stopped worker writes nothing more.
StoredImage StoreImage(const Text& path, const ImageAnswer& answer);

}  // namespace dorvane
