#pragma once
// A history file in a fresh temporary folder, and images to record into it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "history/HistoryStore.h"
#include "support/TestCertificate.h"

namespace dorvane::test {

struct TempHistory {
    // subfolder: folders under the temporary one that the store is left to make.
    explicit TempHistory(const std::string& subfolder = "")
        : folder(MakeTempFolder("dorvane-history")), path(folder + subfolder + "/history.sqlite3") {}
    ~TempHistory() { RemoveFolder(folder); }
    TempHistory(const TempHistory&) = delete;
    TempHistory& operator=(const TempHistory&) = delete;

    std::unique_ptr<HistoryStore> Open() const {
        HistoryStatus status;
        std::unique_ptr<HistoryStore> store = HistoryStore::Open(path, status);
        EXPECT_TRUE(store) << status.Message();
        return store;
    }

    std::string folder;
    std::string path;
};

inline ImageRecord ImageOf(const Text& album, int number, long long time = 0) {
    ImageRecord image;
    image.site = "c";
    image.listing = "http://site.example/list/1.html";
    image.album = album;
    image.title = "title of " + album;
    image.number = number;
    image.address = album + "/" + std::to_string(number) + ".jpg";
    image.path = "/pictures/" + std::to_string(number) + ".jpg";
    image.size = 1000 + number;
    image.sha256 = std::string(64, 'a');
    image.time = time;
    return image;
}

}  // namespace dorvane::test
