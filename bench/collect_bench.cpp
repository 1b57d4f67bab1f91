// A whole listing page collected from the local fixture sites (20 albums x 30 images of about 200 KB)
// with the real page worker and in-memory controls, beside the curl program fetching the same image
// addresses in one process. Reports images per second, the time per image beyond the worker's fixed
// 5 ms wait, and the peak resident memory of this process.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "collectors/SiteD.h"
#include "core/MemoryControls.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "support/FixtureSites.h"

namespace {

namespace fs = std::filesystem;
using dorvane::Site;

constexpr int kAlbums = 20;
constexpr int kImagesPerAlbum = 30;
constexpr int kImages = kAlbums * kImagesPerAlbum;
constexpr size_t kImageBytes = 200 * 1024;
constexpr double kWaitMs = 5.0;

dorvane::test::FixtureSites& Sites() {
    static auto* sites = [] {
        auto* made = new dorvane::test::FixtureSites({.pageCount = 1,
                                                      .albumsPerPage = kAlbums,
                                                      .imagesPerAlbum = kImagesPerAlbum,
                                                      .imageBytes = kImageBytes});
        if (!made->Start()) {
            std::fprintf(stderr, "fixture server did not start\n");
            std::exit(1);
        }
        made->UseForSettings();
        return made;
    }();
    return *sites;
}

fs::path ScratchFolder(const char* name) {
    const fs::path folder = fs::temp_directory_path() / ("dorvane-bench-" + std::to_string(getpid())) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double g_workerPerImageMs = 0;
double g_curlPerImageMs = 0;

void BM_PageWorker(benchmark::State& state) {
    Sites();
    double totalSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dorvane::State().Reset();
        dorvane::MemoryMainWindow window;
        const fs::path save = ScratchFolder("worker");
        window.saveFolder.SetText(save.string());
        window.pages[static_cast<int>(Site::D)].pages.AddItem("1");
        window.pages[static_cast<int>(Site::D)].pages.SetSelection(0);
        const dorvane::SiteRoutines routines = dorvane::sited::Routines();
        routines.listingLoad(window.controls);
        if (window.pages[static_cast<int>(Site::D)].albums.ItemCount() != kAlbums) {
            state.SkipWithError("listing did not load");
            break;
        }
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        auto token =
            dorvane::StartWorkerThread([&window, &routines] { routines.pageWorker(window.controls); });
        if (!token || !token->WaitFinished(std::chrono::minutes(5))) {
            state.SkipWithError("worker did not finish");
            break;
        }
        totalSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        fs::remove_all(save);
        state.ResumeTiming();
    }
    const double perImageMs = totalSeconds * 1000.0 / (static_cast<double>(state.iterations()) * kImages);
    g_workerPerImageMs = perImageMs - kWaitMs;
    state.counters["images_per_s"] = 1000.0 / perImageMs;
    state.counters["ms_per_image_beyond_wait"] = g_workerPerImageMs;
    state.counters["VmHWM_MB"] = static_cast<double>(PeakResidentKb()) / 1024.0;
}

void BM_CurlCommandLine(benchmark::State& state) {
    Sites();
    double totalSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = ScratchFolder("curl");
        const fs::path config = folder / "images.curl";
        {
            std::ofstream out(config);
            for (int album = 1; album <= kAlbums; ++album) {
                for (int image = 1; image <= kImagesPerAlbum; ++image) {
                    out << "url = \"" << Sites().ImageUrl(Site::D, album, image) << "\"\n"
                        << "output = \""
                        << (folder / (std::to_string(album) + "-" + std::to_string(image) + ".jpg")).string()
                        << "\"\n";
                }
            }
        }
        const std::string command = "curl --silent --show-error --config '" + config.string() + "'";
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        const int result = std::system(command.c_str());
        totalSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != 0) {
            state.SkipWithError("curl failed");
            break;
        }

        state.PauseTiming();
        fs::remove_all(folder);
        state.ResumeTiming();
    }
    g_curlPerImageMs = totalSeconds * 1000.0 / (static_cast<double>(state.iterations()) * kImages);
    state.counters["images_per_s"] = 1000.0 / g_curlPerImageMs;
    state.counters["ms_per_image"] = g_curlPerImageMs;
}

BENCHMARK(BM_PageWorker)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlCommandLine)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_workerPerImageMs > 0 && g_curlPerImageMs > 0) {
        std::printf(
            "\nper image beyond the 5 ms wait: worker %.3f ms, curl %.3f ms, ratio %.2f (target <= 1.25)\n",
            g_workerPerImageMs, g_curlPerImageMs, g_workerPerImageMs / g_curlPerImageMs);
    }
    std::printf("peak resident memory (VmHWM): %.1f MB (target < 64 MB)\n",
                static_cast<double>(PeakResidentKb()) / 1024.0);
    std::error_code ignored;
    fs::remove_all(fs::temp_directory_path() / ("dorvane-bench-" + std::to_string(getpid())), ignored);
    return 0;
}
