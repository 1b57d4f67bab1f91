#include "app/CommandHistory.h"

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "app/CommandListing.h"
#include "app/HistoryFile.h"

namespace dorvane {

namespace {

// "YYYY-MM-DD" as the Unix time of that day's start, UTC.
std::optional<long long> DayStart(const std::string& text) {
    std::tm day{};
    char rest = 0;
    if (text.size() != 10 || std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &day.tm_year, &day.tm_mon, &day.tm_mday, &rest) != 3)
        return std::nullopt;
    if (day.tm_mon < 1 || day.tm_mon > 12 || day.tm_mday < 1 || day.tm_mday > 31) return std::nullopt;
    day.tm_year -= 1900;
    day.tm_mon -= 1;
    return static_cast<long long>(timegm(&day));
}

std::string When(long long time) {
    const std::time_t seconds = static_cast<std::time_t>(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

std::string Json(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + '"';
}

std::string JsonLine(const ImageRow& row) {
    const ImageRecord& image = row.image;
    return "{\"run\":" + std::to_string(row.runId) + ",\"site\":" + Json(image.site) + ",\"listing\":" +
           Json(image.listing) + ",\"album\":" + Json(image.album) + ",\"title\":" + Json(image.title) +
           ",\"number\":" + std::to_string(image.number) + ",\"address\":" + Json(image.address) +
           ",\"path\":" + Json(image.path) + ",\"size\":" + std::to_string(image.size) + ",\"sha256\":" +
           Json(image.sha256) + ",\"time\":" + std::to_string(image.time) + "}";
}

int Report(const HistoryStatus& status) {
    if (status.Ok()) return 0;
    SayHistoryFailed(status);
    return 1;
}

}  // namespace

int PrintHistory(const CommandArguments& arguments, const Text& siteKey, HistoryStore& store) {
    if (!arguments.forget.empty()) {
        int removed = 0;
        if (Report(store.ForgetAlbum(arguments.forget, removed)) != 0) return 1;
        if (removed == 0) {
            std::fprintf(stderr, "dorvane: nothing is recorded for %s\n", arguments.forget.c_str());
            return 1;
        }
        std::printf("forgot %d image(s) of %s\n", removed, arguments.forget.c_str());
        return 0;
    }
    HistoryFilter filter{siteKey, 0};
    if (!arguments.since.empty()) {
        const std::optional<long long> since = DayStart(arguments.since);
        if (!since) {
            std::fprintf(stderr, "dorvane: --since %s: not a date (YYYY-MM-DD)\n", arguments.since.c_str());
            return 2;
        }
        filter.since = *since;
    }
    if (arguments.json)
        return Report(store.ForEachImage(filter, [](const ImageRow& row) { std::printf("%s\n", JsonLine(row).c_str()); }));
    std::vector<AlbumSummary> albums;
    if (Report(store.ListAlbums(filter, albums)) != 0) return 1;
    for (const AlbumSummary& album : albums) {
        std::printf("%s\t%s\t%d\t%s\t%s\n", LineField(album.title).c_str(), LineField(album.address).c_str(),
                    album.imagesStored, LineField(album.folder).c_str(), When(album.lastStored).c_str());
    }
    return 0;
}

}  // namespace dorvane
