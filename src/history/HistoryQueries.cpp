// What the store answers: whether an image or a whole album is known, and the history read back.
#include <sqlite3.h>

#include "history/HistoryStatements.h"
#include "history/HistoryStore.h"

namespace dorvane {

namespace {

void BindFilter(sql::StatementPass& pass, const HistoryFilter& filter) {
    pass->BindText(1, filter.site);
    pass->BindInt(2, filter.since);
}

// The folder of a stored file: all before its last separator ("/" is never the second byte of a GBK
// character, so a byte search is safe).
Text FolderOf(const Text& path) {
    const size_t slash = path.rfind('/');
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

ImageRow ReadImageRow(sql::StatementPass& pass) {
    ImageRow row;
    row.id = pass->ColumnInt(0);
    row.runId = pass->ColumnIsNull(1) ? 0 : pass->ColumnInt(1);
    ImageRecord& image = row.image;
    image.site = pass->ColumnText(2);
    image.listing = pass->ColumnText(3);
    image.album = pass->ColumnText(4);
    image.title = pass->ColumnText(5);
    image.number = static_cast<int>(pass->ColumnInt(6));
    image.address = pass->ColumnText(7);
    image.path = pass->ColumnText(8);
    image.size = pass->ColumnInt(9);
    image.sha256 = pass->ColumnText(10);
    image.time = pass->ColumnInt(11);
    return row;
}

}  // namespace

bool HistoryStore::IsImageKnown(const Text& imageAddress) {
    std::lock_guard lock(m_mutex);
    sql::StatementPass pass(m_statements->imageKnown);
    pass->BindText(1, imageAddress);
    return pass->Step() == SQLITE_ROW;
}

bool HistoryStore::IsAlbumComplete(const Text& albumAddress) {
    WaitForQueue();
    std::lock_guard lock(m_mutex);
    long long count = 0;
    {
        sql::StatementPass pass(m_statements->albumCount);
        pass->BindText(1, albumAddress);
        if (pass->Step() != SQLITE_ROW || pass->ColumnInt(1) == 0) return false;
        count = pass->ColumnInt(0);
    }
    if (count <= 0) return false;
    sql::StatementPass pass(m_statements->albumNumbers);
    pass->BindText(1, albumAddress);
    pass->BindInt(2, count);
    return pass->Step() == SQLITE_ROW && pass->ColumnInt(0) >= count;
}

HistoryStatus HistoryStore::ListAlbums(const HistoryFilter& filter, std::vector<AlbumSummary>& albums) {
    WaitForQueue();
    std::lock_guard lock(m_mutex);
    albums.clear();
    sql::StatementPass pass(m_statements->listAlbums);
    BindFilter(pass, filter);
    int result;
    while ((result = pass->Step()) == SQLITE_ROW) {
        AlbumSummary album;
        album.site = pass->ColumnText(0);
        album.title = pass->ColumnText(1);
        album.address = pass->ColumnText(2);
        album.imagesStored = static_cast<int>(pass->ColumnInt(3));
        album.folder = FolderOf(pass->ColumnText(4));
        album.lastStored = pass->ColumnInt(5);
        albums.push_back(std::move(album));
    }
    return Status(result);
}

HistoryStatus HistoryStore::ForEachImage(const HistoryFilter& filter,
                                         const std::function<void(const ImageRow&)>& each) {
    WaitForQueue();
    std::lock_guard lock(m_mutex);
    sql::StatementPass pass(m_statements->eachImage);
    BindFilter(pass, filter);
    int result;
    while ((result = pass->Step()) == SQLITE_ROW) each(ReadImageRow(pass));
    return Status(result);
}

}  // namespace dorvane
