// The collection history's cost per image with a large history: recording a stored image (its own
// transaction, as a kept image is recorded), queueing one as a collection does (the writer reads and
// hashes its file and commits in batches), asking whether an image or an album is known, opening the
// file (with its page walk) and reading it all back. Target: under 1 ms per image with 100,000 rows.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "core/Text.h"
#include "history/HistoryStore.h"
#include "support/TestCertificate.h"

namespace {

using dorvane::HistoryStore;
using dorvane::Text;
using dorvane::bench::Clock;
using dorvane::bench::Seconds;

constexpr int kImagesPerAlbum = 50;
constexpr int kAlbums = 2000;  // 100,000 rows
constexpr int kProbes = 20000;

Text AlbumAddress(int album) {
    return "http://www.cosplay.example/photo/" + std::to_string(100000 + album) + ".html";
}

dorvane::ImageRecord ImageOf(int album, int number) {
    dorvane::ImageRecord image;
    image.site = "c";
    image.listing = "http://www.cosplay.example/list/" + std::to_string(album / 20 + 1) + ".html";
    image.album = AlbumAddress(album);
    image.title = dorvane::Gbk("清新写真套图第") + std::to_string(album) + dorvane::Gbk("期");
    image.number = number;
    image.address = "http://img.cosplay.example/d/" + std::to_string(100000 + album) + "/" +
                    std::to_string(number) + ".jpg";
    image.path = "/home/u/Pictures/Dorvane/" + image.title + "/" + std::to_string(number) + ".jpg";
    image.size = 180000 + number;
    image.sha256 = std::string(64, 'e');
    return image;
}

// Records albums [first, last) in runs of 20 albums; returns the seconds spent, or -1 on a failed write.
double Record(HistoryStore& store, int first, int last) {
    const auto start = Clock::now();
    for (int album = first; album < last; album += 20) {
        long long runId = 0;
        if (!store.BeginRun({"c", ImageOf(album, 1).listing, 0}, runId).Ok()) return -1;
        for (int a = album; a < album + 20 && a < last; ++a) {
            if (!store.QueueAlbum(runId, {"c", AlbumAddress(a), "t", kImagesPerAlbum, 0}).Ok()) return -1;
            for (int number = 1; number <= kImagesPerAlbum; ++number)
                if (!store.RecordImage(runId, ImageOf(a, number)).Ok()) return -1;
        }
        if (!store.EndRun(runId, {dorvane::RunOutcome::Done, 20 * kImagesPerAlbum, 0, 0, 0}).Ok()) return -1;
    }
    return Seconds(start);
}

// As a collection records: albums [first, last) queued, every image with a file of 200 KB for the writer
// to read and hash. The caller's seconds for queueing, and the seconds until the writer has it all.
bool Queue(HistoryStore& store, int first, int last, const std::string& file, double& queueSeconds,
           double& allSeconds) {
    const auto start = Clock::now();
    double queueing = 0;
    for (int album = first; album < last; album += 20) {
        long long runId = 0;
        if (!store.BeginRun({"c", ImageOf(album, 1).listing, 0}, runId).Ok()) return false;
        const auto queueStart = Clock::now();
        for (int a = album; a < album + 20 && a < last; ++a) {
            if (!store.QueueAlbum(runId, {"c", AlbumAddress(a), "t", kImagesPerAlbum, 0}).Ok()) return false;
            for (int number = 1; number <= kImagesPerAlbum; ++number) {
                dorvane::ImageRecord image = ImageOf(a, number);
                image.sha256.clear();
                if (!store.QueueImage(runId, std::move(image), file).Ok()) return false;
            }
        }
        queueing += Seconds(queueStart);
        if (!store.EndRun(runId, {dorvane::RunOutcome::Done, 20 * kImagesPerAlbum, 0, 0, 0}).Ok()) return false;
    }
    queueSeconds = queueing;
    allSeconds = Seconds(start);
    return true;
}

// Microseconds per lookup of random images, known or not, and of random albums.
void Lookups(HistoryStore& store, double& knownUs, double& unknownUs, double& albumUs) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> album(0, kAlbums - 1);
    std::uniform_int_distribution<int> number(1, kImagesPerAlbum);
    int found = 0;
    auto start = Clock::now();
    for (int i = 0; i < kProbes; ++i)
        found += store.IsImageKnown(ImageOf(album(random), number(random)).address);
    knownUs = Seconds(start) * 1e6 / kProbes;
    start = Clock::now();
    for (int i = 0; i < kProbes; ++i)
        found += store.IsImageKnown(ImageOf(10 * kAlbums + album(random), 1).address);
    unknownUs = Seconds(start) * 1e6 / kProbes;
    start = Clock::now();
    for (int i = 0; i < kProbes; ++i) found += store.IsAlbumComplete(AlbumAddress(album(random)));
    albumUs = Seconds(start) * 1e6 / kProbes;
    if (found != 2 * kProbes) std::fprintf(stderr, "lookups found %d of %d\n", found, 2 * kProbes);
}

}  // namespace

int main() {
    const std::string folder = dorvane::test::MakeTempFolder("dorvane-history-bench");
    const std::string path = folder + "/history.sqlite3";
    dorvane::HistoryStatus status;
    auto store = HistoryStore::Open(path, status);
    if (!store) return std::fprintf(stderr, "%s\n", status.Message().c_str()), 1;
    const double fillSeconds = Record(*store, 0, kAlbums);
    // Another 200 albums on top of the 100,000 rows: the cost a collection pays with a full history.
    const double moreSeconds = Record(*store, kAlbums, kAlbums + 200);
    const std::string image = folder + "/image.jpg";
    std::FILE* out = std::fopen(image.c_str(), "wb");
    const std::string bytes(200 * 1024, 'j');
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0)
        return std::fprintf(stderr, "no image file\n"), 1;
    double queueSeconds = 0, queuedAllSeconds = 0;
    if (!Queue(*store, kAlbums + 200, kAlbums + 400, image, queueSeconds, queuedAllSeconds))
        return std::fprintf(stderr, "queueing failed\n"), 1;
    store.reset();
    auto start = Clock::now();
    store = HistoryStore::Open(path, status);
    const double openMs = Seconds(start) * 1e3;
    if (!store || fillSeconds < 0 || moreSeconds < 0) return std::fprintf(stderr, "history failed\n"), 1;
    double knownUs = 0, unknownUs = 0, albumUs = 0;
    Lookups(*store, knownUs, unknownUs, albumUs);
    std::vector<dorvane::AlbumSummary> albums;
    start = Clock::now();
    store->ListAlbums({}, albums);
    const double listMs = Seconds(start) * 1e3;
    long long rows = 0;
    start = Clock::now();
    store->ForEachImage({}, [&rows](const dorvane::ImageRow&) { ++rows; });
    const double readMs = Seconds(start) * 1e3;
    const double recordUs = moreSeconds * 1e6 / (200 * kImagesPerAlbum);
    const double perImageMs = (recordUs + unknownUs) / 1e3;
    std::printf("fill: %d images recorded one transaction each in %.2f s (%.1f us per image)\n",
                kAlbums * kImagesPerAlbum, fillSeconds, fillSeconds * 1e6 / (kAlbums * kImagesPerAlbum));
    std::printf("record with 100,000 rows: %.1f us per image\n", recordUs);
    std::printf("queued as a collection queues (files of 200 KB read and hashed by the writer): %.1f us per image "
                "for the collection, %.1f us per image until written\n",
                queueSeconds * 1e6 / (200 * kImagesPerAlbum), queuedAllSeconds * 1e6 / (200 * kImagesPerAlbum));
    std::printf("image known? %.1f us (known), %.1f us (unknown); album complete? %.1f us\n", knownUs,
                unknownUs, albumUs);
    std::printf("open with %lld rows (page walk included): %.1f ms; file %.1f MB\n", rows, openMs,
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    std::printf("list %zu albums: %.1f ms; read every row: %.1f ms\n", albums.size(), listMs, readMs);
    std::printf("per image (look up + record): %.3f ms (target < 1 ms)\n", perImageMs);
    store.reset();
    dorvane::test::RemoveFolder(folder);
    return perImageMs < 1.0 ? 0 : 1;
}
