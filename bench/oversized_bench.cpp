// A hostile image answer: 1.5 GB of bytes without a length, collected through the shared image step (the
// fetch, the preview and the staged file) with the default body limit. Prints how long the step took, the
// process's peak memory and what was left on disk.
//
//   build-rel/bench/oversized_bench [MEGABYTES]     (default 1536)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "collectors/PageWorker.h"
#include "core/Settings.h"
#include "core/Worker.h"
#include "support/LocalServer.h"
#include "support/MemoryControls.h"

namespace fs = std::filesystem;
using namespace dorvane::bench;

int main(int argc, char** argv) {
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 1536;
    dorvane::test::LocalServer server;
    server.Http().Get("/huge.jpg", [megabytes](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/jpeg", [megabytes, sent = 0L](size_t, httplib::DataSink& sink) mutable {
            static const std::string chunk(1024 * 1024, '\x5a');
            if (sent >= megabytes) {
                sink.done();
                return true;
            }
            ++sent;
            return sink.write(chunk.data(), chunk.size());
        });
    });
    if (!server.Start()) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }
    const fs::path folder = fs::temp_directory_path() / ("dorvane-oversized-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    dorvane::MutableSettings().retries = 0;

    dorvane::MemoryMainWindow window;
    dorvane::SitePage& page = window.controls.Page(dorvane::Site::D);
    const long before = StatusKb("VmHWM");
    const auto start = Clock::now();
    bool stored = true;
    auto token = dorvane::StartWorkerThread([&] {
        stored = dorvane::CollectImage(page, {server.Url("/huge.jpg"), {}, 5}, (folder / "1.jpg").string());
    });
    if (!token || !token->WaitFinished(std::chrono::minutes(10))) {
        std::fprintf(stderr, "the step did not end\n");
        return 1;
    }
    std::error_code error;
    const auto size = fs::file_size(folder / "1.jpg", error);
    std::printf("answer %ld MB without a length, limit %lld MB: %.1f s, peak memory %ld MB (before %ld MB), "
                "stored %s, file %s\n",
                megabytes, dorvane::CurrentSettings().maxBodyBytes / (1024 * 1024), Seconds(start),
                StatusKb("VmHWM") / 1024, before / 1024, stored ? "yes" : "no",
                error ? "missing" : (std::to_string(size) + " bytes").c_str());
    fs::remove_all(folder, error);
    return stored ? 1 : 0;
}
