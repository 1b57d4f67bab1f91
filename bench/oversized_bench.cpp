// A hostile image answer: 1.5 GB of bytes without a length, collected by the collection engine's image
// step (the fetch, the preview and the staged file) with the default body limit. Prints how long the step took, the
// process's peak memory and what was left on disk.
//
//   build-rel/bench/oversized_bench [MEGABYTES]     (default 1536)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "collectors/CollectionEngine.h"
#include "collectors/OutputPaths.h"
#include "core/CodePage.h"
#include "core/NetworkLimits.h"
#include "core/Worker.h"
#include "support/LocalServer.h"
#include "support/MemoryControls.h"

namespace fs = std::filesystem;
using namespace dorvane::bench;

namespace {

// One album of one image, the given address, kept as "1.jpg" in the output root.
class OneImageSite : public dorvane::SiteDescription {
public:
    explicit OneImageSite(std::string url) : m_url(std::move(url)) {}
    dorvane::PageChoices Choices(const dorvane::SiteFetcher&, int, const dorvane::AlbumEntries&) const override {
        return {};
    }
    dorvane::AlbumEntries Listing(const dorvane::SiteFetcher&, const dorvane::ListingSource&,
                                  const dorvane::Text&) const override {
        return {};
    }
    std::vector<dorvane::AlbumWork> Plan(const dorvane::ListingSnapshot&) const override {
        return {{.title = "huge", .open = [url = m_url](const dorvane::SiteFetcher&) {
                     dorvane::AlbumPlan plan;
                     plan.imageCount = 1;
                     plan.image = [url](int) {
                         dorvane::ImageWork work;
                         work.url = url;
                         work.fileName = "1.jpg";
                         return work;
                     };
                     return plan;
                 }}};
    }
    dorvane::ViewerAlbum OpenAlbum(const dorvane::SiteFetcher&, const dorvane::ListingSnapshot&,
                                   int) const override {
        return {};
    }
    dorvane::Text ImageHeaders() const override { return {}; }

private:
    const std::string m_url;
};

// The picture goes to an in-memory preview, as a page shows it.
class PreviewEvents : public dorvane::CollectionEvents {
public:
    explicit PreviewEvents(dorvane::SitePage& page) : m_page(page) {}
    void PictureArrived(const dorvane::Bytes& bytes) override { m_page.preview->SetPicture(bytes); }

private:
    dorvane::SitePage& m_page;
};

}  // namespace

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

    dorvane::MemoryMainWindow window;
    dorvane::SitePage& page = window.controls.sites[static_cast<size_t>(dorvane::Site::D)];
    const OneImageSite site(server.Url("/huge.jpg"));
    PreviewEvents events(page);
    const dorvane::SiteFetcher fetch(dorvane::NetworkLimits{.retries = 0});
    dorvane::CollectionOptions options;
    options.saveFolder = [&folder] { return folder.string(); };
    // The engine names its folders in GBK; on disk they are UTF-8.
    const fs::path file = fs::path(dorvane::GbkToUtf8(dorvane::OutputRoot(folder.string()))) / "1.jpg";
    const long before = StatusKb("VmHWM");
    const auto start = Clock::now();
    bool stored = true;
    auto token = dorvane::StartWorkerThread([&] {
        stored = dorvane::Collect(site, {}, options, fetch, events).stored > 0;
    });
    if (!token || !token->WaitFinished(std::chrono::minutes(10))) {
        std::fprintf(stderr, "the step did not end\n");
        return 1;
    }
    std::error_code error;
    const auto size = fs::file_size(file, error);
    std::printf(
        "answer %ld MB without a length, limit %lld MB: %.1f s, peak memory %ld MB (before %ld MB), "
        "stored %s, file %s\n",
        megabytes, fetch.Limits().maxBodyBytes / (1024 * 1024), Seconds(start), StatusKb("VmHWM") / 1024,
        before / 1024, stored ? "yes" : "no", error ? "missing" : (std::to_string(size) + " bytes").c_str());
    fs::remove_all(folder, error);
    return stored ? 1 : 0;
}
