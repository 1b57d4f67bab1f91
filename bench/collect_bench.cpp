// Whole listing pages collected from the local fixture sites by the page's session (the collection
// engine) on in-memory controls, each beside the curl program fetching the same addresses in one process
// (keep-alive, as curl does by default):
//   Site D  (HTTP)  20 albums x 30 images of about 200 KB, one request per image, 5 ms wait per image;
//   Site A  (HTTPS) 10 albums x 20 images: per album its first page, then per image its album page and the
//                   image (1 + 2 x 20 requests); 10 ms wait per album, 5 + 10 ms per image;
//   Site B  (HTTPS) 10 albums x 20 images, one request per image, 5 ms wait per image.
// The HTTPS server guards its images by Referer, so a run that sent the wrong one fails instead of timing
// 403 answers. Reports images per second, the worker's time per request beyond its fixed waits next to
// curl's time per request, and the peak resident memory of this process.
// The worker connects afresh for every request, while curl keeps its connection; on Sites A and B curl
// also runs once more with a new connection per request, to tell the cost of connecting (TLS included)
// from the rest.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "PageSessionBench.h"
#include "history/HistoryStore.h"
#include "collectors/SiteRegistry.h"
#include "core/Settings.h"
#include "support/FixtureSites.h"

namespace {

namespace fs = std::filesystem;
using dorvane::Site;

// One collected listing page and the fixed waits its worker spends on it.
struct PageShape {
    const char* name;
    Site site;
    int albums;
    int imagesPerAlbum;
    double waitPerAlbumMs;
    double waitPerImageMs;
    // Requests beyond one per image: Site A reads the album's first page and one album page per image.
    int extraRequestsPerAlbum;
    int extraRequestsPerImage;

    int Images() const { return albums * imagesPerAlbum; }
    int Requests() const {
        return albums * (extraRequestsPerAlbum + imagesPerAlbum * (1 + extraRequestsPerImage));
    }
    double WaitMs() const { return albums * waitPerAlbumMs + Images() * waitPerImageMs; }
};

constexpr PageShape kSiteD{"Site D", Site::D, 20, 30, 0.0, 5.0, 0, 0};
constexpr PageShape kSiteA{"Site A", Site::A, 10, 20, 10.0, 15.0, 1, 1};
constexpr PageShape kSiteB{"Site B", Site::B, 10, 20, 0.0, 5.0, 0, 0};
constexpr size_t kImageBytes = 200 * 1024;

// What each site's benchmarks measured, for the summary after the run.
struct Comparison {
    double workerPerRequestMs = 0;
    double curlPerRequestMs = 0;
    // curl again, made to open a new connection for every request as the worker does (HTTPS sites only).
    double curlNewConnectionPerRequestMs = 0;
};
Comparison g_siteD, g_siteA, g_siteB;

// The first albums of listing page 1, each holding the shape's image count.
void ShapeListing(dorvane::test::FixtureSites& sites, const PageShape& shape) {
    std::vector<int> ids = sites.Listing(shape.site, 1);
    ids.resize(static_cast<size_t>(shape.albums));
    for (int id : ids) {
        dorvane::test::FixtureAlbum album = sites.Album(shape.site, id);
        album.images.assign(static_cast<size_t>(shape.imagesPerAlbum), dorvane::test::ImageKind::Jpeg);
        sites.SetAlbum(shape.site, std::move(album));
    }
    sites.SetListing(shape.site, 1, std::move(ids));
}

dorvane::test::FixtureSites& Sites() {
    static auto* sites = [] {
        auto* made = new dorvane::test::FixtureSites({.pageCount = 1,
                                                      .albumsPerPage = kSiteD.albums,
                                                      .imagesPerAlbum = kSiteD.imagesPerAlbum,
                                                      .imageBytes = kImageBytes,
                                                      .requireReferer = true});
        if (!made->Start()) {
            std::fprintf(stderr, "fixture server did not start\n");
            std::exit(1);
        }
        ShapeListing(*made, kSiteA);
        ShapeListing(*made, kSiteB);
        return made;
    }();
    return *sites;
}

// The pages' settings: the fixture sites, and four transfers in flight, as the README's loopback figures
// were taken (the default asks for one thing at a time).
const dorvane::Settings& BenchSettings() {
    static const dorvane::Settings settings = [] {
        dorvane::Settings made;
        Sites().PointAt(made);
        made.parallel = 4;
        return made;
    }();
    return settings;
}

fs::path ScratchFolder(const std::string& name) {
    const fs::path folder = fs::temp_directory_path() / ("dorvane-bench-" + std::to_string(getpid())) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Non-empty files below the folder: a 403 or a failed transfer leaves an empty one or none.
int FilledFiles(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.file_size() > 0) ++count;
    }
    return count;
}

// Puts listing page 1 of the site on the page the way the user gets there: Site A's first category, Site
// B's first tag.
bool LoadListing(const PageShape& shape, dorvane::bench::BenchPage& page) {
    return page.Load(shape.site == Site::A ? 0 : -1, shape.albums);
}

// The collection history the page records into when asked: one file for the whole run, so it grows as
// a user's would.
dorvane::HistoryStore* BenchHistory() {
    static const std::unique_ptr<dorvane::HistoryStore> store = [] {
        dorvane::HistoryStatus status;
        const fs::path file = fs::temp_directory_path() / ("dorvane-bench-" + std::to_string(getpid())) / "history.sqlite3";
        auto opened = dorvane::HistoryStore::Open(file.string(), status);
        if (!opened) std::fprintf(stderr, "%s\n", status.Message().c_str());
        return opened;
    }();
    return store.get();
}

// One collection of the shape's listing page by a fresh page session into a fresh folder: its time in ms,
// or a negative number with the reason set on the state.
double CollectPageOnce(benchmark::State& state, const PageShape& shape, bool history) {
    const fs::path save = ScratchFolder("worker");
    const int index = static_cast<int>(shape.site);
    dorvane::HistoryUse use;
    if (history) use = {BenchHistory(), "d", false, {}};
    dorvane::bench::BenchPage page(dorvane::DescribeSite(index, BenchSettings()), index, save.string(),
                                   BenchSettings(), use);
    if (!LoadListing(shape, page)) {
        state.SkipWithError("listing did not load");
        return -1;
    }
    const auto start = std::chrono::steady_clock::now();
    dorvane::CollectionReport report;
    if (!page.Collect(report)) {
        state.SkipWithError("worker did not start");
        return -1;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const int written = FilledFiles(save);
    fs::remove_all(save);
    if (written != shape.Images()) {
        state.SkipWithError("worker did not write every image");
        return -1;
    }
    return ms;
}

void TimePageWorker(benchmark::State& state, const PageShape& shape, Comparison& result) {
    Sites();
    double totalMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const double ms = CollectPageOnce(state, shape, false);
        state.ResumeTiming();
        if (ms < 0) break;
        totalMs += ms;
    }
    if (state.iterations() == 0 || totalMs <= 0) return;
    const double iterationMs = totalMs / static_cast<double>(state.iterations());
    result.workerPerRequestMs = (iterationMs - shape.WaitMs()) / shape.Requests();
    state.counters["images_per_s"] = shape.Images() * 1000.0 / iterationMs;
    state.counters["ms_per_request_beyond_waits"] = result.workerPerRequestMs;
    state.counters["VmHWM_MB"] = static_cast<double>(dorvane::bench::StatusKb("VmHWM")) / 1024.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The cost of recording: Site D's page collected with the history off and on in turn, each round in the
// other order, so that the machine's drift (the file system slows as the runs create and delete files)
// falls on both alike. The ratio is of the medians.
struct HistoryCost {
    double offMs = 0;
    double onMs = 0;
};
HistoryCost g_historyCost;
void BM_SiteD_HistoryOnAgainstOff(benchmark::State& state) {
    Sites();
    std::vector<double> off, on;
    for (auto _ : state) {
        state.PauseTiming();
        const bool onFirst = on.size() % 2 == 1;
        for (const bool history : {onFirst, !onFirst}) {
            const double ms = CollectPageOnce(state, kSiteD, history);
            if (ms < 0) return;
            (history ? on : off).push_back(ms);
        }
        state.ResumeTiming();
    }
    g_historyCost = {Median(off), Median(on)};
    state.counters["off_ms"] = g_historyCost.offMs;
    state.counters["on_ms"] = g_historyCost.onMs;
}

// Every address the worker requests, in its order.
std::vector<std::string> RequestedUrls(const PageShape& shape) {
    std::vector<std::string> urls;
    for (int id : Sites().Listing(shape.site, 1)) {
        const std::string album = shape.site == Site::A ? Sites().AlbumUrl(Site::A, id) : std::string{};
        if (shape.site == Site::A) urls.push_back(album);
        for (int image = 1; image <= shape.imagesPerAlbum; ++image) {
            if (shape.site == Site::A) urls.push_back(album + "/" + std::to_string(image));
            urls.push_back(Sites().ImageUrl(shape.site, id, image));
        }
    }
    return urls;
}

// The Referer the site's image requests carry (none on Site D). curl sends it on every request, pages
// included; the server ignores it there.
std::string RefererLine(const PageShape& shape) {
    if (shape.site == Site::A) return "Referer: " + Sites().HomeA();
    if (shape.site == Site::B) return "Referer: " + Sites().HomeB() + "t/nvshen/";
    return {};
}

// curl fetching the shape's addresses in one process. By default it keeps its connection open between
// requests; with newConnections every request asks the server to close it ("Connection: close"), so curl
// connects afresh each time (it still resumes the TLS session).
void TimeCurl(benchmark::State& state, const PageShape& shape, bool newConnections, double& perRequestMs) {
    Sites();
    const std::vector<std::string> urls = RequestedUrls(shape);
    if (static_cast<int>(urls.size()) != shape.Requests()) {
        state.SkipWithError("unexpected request count");
        return;
    }
    double totalSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = ScratchFolder("curl");
        const fs::path config = folder / "requests.curl";
        {
            std::ofstream out(config);
            if (const std::string referer = RefererLine(shape); !referer.empty())
                out << "header = \"" << referer << "\"\n";
            if (newConnections) out << "header = \"Connection: close\"\n";
            for (size_t k = 0; k < urls.size(); ++k) {
                out << "url = \"" << urls[k] << "\"\n"
                    << "output = \"" << (folder / (std::to_string(k + 1) + ".out")).string() << "\"\n";
            }
        }
        // --insecure: the HTTPS fixture server's certificate is self-signed.
        const std::string command =
            "curl --silent --show-error --fail --insecure --config '" + config.string() + "'";
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        const int exitCode = std::system(command.c_str());
        totalSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        const int written = FilledFiles(folder) - 1;  // less the config file
        fs::remove_all(folder);
        if (exitCode != 0 || written != shape.Requests()) {
            state.SkipWithError("curl failed");
            break;
        }
        state.ResumeTiming();
    }
    if (state.iterations() == 0 || totalSeconds <= 0) return;
    perRequestMs = totalSeconds * 1000.0 / (static_cast<double>(state.iterations()) * shape.Requests());
    state.counters["requests_per_s"] = 1000.0 / perRequestMs;
    state.counters["ms_per_request"] = perRequestMs;
}

void BM_SiteD_PageWorker(benchmark::State& state) {
    TimePageWorker(state, kSiteD, g_siteD);
}
void BM_SiteD_Curl(benchmark::State& state) { TimeCurl(state, kSiteD, false, g_siteD.curlPerRequestMs); }
void BM_SiteA_PageWorker(benchmark::State& state) {
    TimePageWorker(state, kSiteA, g_siteA);
}
void BM_SiteA_Curl(benchmark::State& state) { TimeCurl(state, kSiteA, false, g_siteA.curlPerRequestMs); }
void BM_SiteA_CurlNewConnections(benchmark::State& state) {
    TimeCurl(state, kSiteA, true, g_siteA.curlNewConnectionPerRequestMs);
}
void BM_SiteB_PageWorker(benchmark::State& state) {
    TimePageWorker(state, kSiteB, g_siteB);
}
void BM_SiteB_Curl(benchmark::State& state) { TimeCurl(state, kSiteB, false, g_siteB.curlPerRequestMs); }
void BM_SiteB_CurlNewConnections(benchmark::State& state) {
    TimeCurl(state, kSiteB, true, g_siteB.curlNewConnectionPerRequestMs);
}

BENCHMARK(BM_SiteD_PageWorker)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteD_HistoryOnAgainstOff)->Iterations(12)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteD_Curl)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteA_PageWorker)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteA_Curl)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteA_CurlNewConnections)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteB_PageWorker)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteB_Curl)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SiteB_CurlNewConnections)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintComparison(const PageShape& shape, const Comparison& measured) {
    if (measured.workerPerRequestMs <= 0 || measured.curlPerRequestMs <= 0) return;
    std::printf(
        "%s, per request beyond the waits (%d requests, %.0f ms of waits): worker %.3f ms, curl %.3f ms, "
        "ratio %.2f (target <= 1.25)\n",
        shape.name, shape.Requests(), shape.WaitMs(), measured.workerPerRequestMs, measured.curlPerRequestMs,
        measured.workerPerRequestMs / measured.curlPerRequestMs);
    if (measured.curlNewConnectionPerRequestMs > 0) {
        std::printf("%s, curl with a new connection per request: %.3f ms, worker ratio to it %.2f\n",
                    shape.name, measured.curlNewConnectionPerRequestMs,
                    measured.workerPerRequestMs / measured.curlNewConnectionPerRequestMs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    PrintComparison(kSiteD, g_siteD);
    if (g_historyCost.offMs > 0 && g_historyCost.onMs > 0) {
        std::printf("Site D page collection with the history on: median %.1f ms, %.3fx the %.1f ms without it "
                    "(target <= 1.05)\n",
                    g_historyCost.onMs, g_historyCost.onMs / g_historyCost.offMs, g_historyCost.offMs);
    }
    PrintComparison(kSiteA, g_siteA);
    PrintComparison(kSiteB, g_siteB);
    std::printf("peak resident memory (VmHWM): %.1f MB (target < 64 MB)\n",
                static_cast<double>(dorvane::bench::StatusKb("VmHWM")) / 1024.0);
    std::error_code ignored;
    fs::remove_all(fs::temp_directory_path() / ("dorvane-bench-" + std::to_string(getpid())), ignored);
    return 0;
}
