#pragma once
// The values that go into the collection history and come out of it. Texts are stored as the exact bytes
// given (the collections give UTF-8 texts and paths as the file system has them; any bytes round-trip);
// times are Unix seconds, 0 on input meaning "now".
#include <string>

#include "core/Text.h"

namespace dorvane {

enum class RunOutcome { Done, Stopped, Failed };

// Why the history could not do what was asked. A refusal at open leaves the file exactly as it was.
enum class HistoryFault {
    None,
    NotADatabase,  // the file holds something else (a text file, an image, ...)
    Damaged,       // a database, but its pages do not hold together (truncated, overwritten)
    NewerSchema,   // written by a newer Dorvane whose layout this one does not know
    NotAHistory,   // a database of some other program
    CannotWrite,   // the file or its folder cannot be made or written
    DiskFull,      // a write found no room; what was recorded before stays
    Failed,        // anything else SQLite reports (a lock held past the busy time-out, an I/O error)
};

struct HistoryStatus {
    HistoryFault fault = HistoryFault::None;
    std::string file;    // the history file's path as the file system has it
    std::string detail;  // SQLite's or the system's words, where they add something
    int schemaVersion = 0;

    bool Ok() const { return fault == HistoryFault::None; }
    // One line naming the file and what is wrong, for the caller to show once.
    std::string Message() const;
};

struct RunStart {
    Text site;     // the site's key
    Text listing;  // the listing page's address
    long long time = 0;
};

struct RunEnd {
    RunOutcome outcome = RunOutcome::Done;
    int stored = 0;
    int skipped = 0;
    int failed = 0;
    long long time = 0;
};

// An album as a run begins it: the image count its page gave (0 when the site gives none) is what later
// tells a complete album from a partial one.
struct AlbumStart {
    Text site;
    Text address;
    Text title;
    int imageCount = 0;
    long long time = 0;
};

// An image whose file stands whole under its final name.
struct ImageRecord {
    Text site{};
    Text listing{};
    Text album{};  // the album's address
    Text title{};  // the album's title
    int number = 0;
    Text address{};  // the image's address
    Text path{};     // the file's path
    long long size = 0;
    Text sha256{};  // lower-case hex of the file's bytes
    long long time = 0;
};

// A stored image as read back: runId is 0 for an image stored outside any run (a single image saved
// from the viewer).
struct ImageRow {
    long long id = 0;
    long long runId = 0;
    ImageRecord image;
};

// One album of the history's listing; the title and folder are those of its newest stored image.
struct AlbumSummary {
    Text site;
    Text title;
    Text address;
    int imagesStored = 0;  // distinct image numbers stored
    Text folder;
    long long lastStored = 0;
};

// Narrows a listing: an empty site means every site, since 0 means from the beginning.
struct HistoryFilter {
    Text site;
    long long since = 0;
};

}  // namespace dorvane
