// What retrying costs beyond its pauses: 100 images of about 100 KB behind a LatencyProxy (40 ms round
// trip), fetched one after another with FetchImageBytes, once from a server that never fails and once from
// one where every tenth image answers 503 once. The failing run should cost no more than the clean run plus
// the pauses it had to wait (500 ms per retried image), within 10 %.
//
//   retry_bench [rounds]   median of the rounds (3 unless given); exit status 0 unless a run failed
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "core/NetworkLimits.h"
#include "net/Retry.h"
#include "support/FixtureImages.h"
#include "support/LatencyProxy.h"
#include "support/LocalServer.h"

namespace {

using namespace dorvane::bench;
using dorvane::test::LatencyProxy;
using dorvane::test::LocalServer;

constexpr std::chrono::milliseconds kOneWay{20};
constexpr int kImages = 100;
constexpr size_t kImageBytes = 100 * 1024;
constexpr int kFailEvery = 10;
constexpr double kTarget = 1.10;

// Serves the images; in failing mode the first request for every tenth image gets a 503.
class ImageServer {
public:
    explicit ImageServer(const std::vector<std::string>& images)
        : m_images(images), m_asked(images.size(), 0) {
        m_server.Http().Get(R"(/img/(\d+)\.jpg)",
                            [this](const httplib::Request& req, httplib::Response& res) {
                                Answer(std::stoul(req.matches[1].str()), res);
                            });
        m_server.Http().set_keep_alive_max_count(1000);
        m_server.Http().set_tcp_nodelay(true);
    }
    bool Start() { return m_server.Start(); }
    int Port() const { return m_server.Port(); }

    void Reset(bool failing) {
        std::lock_guard lock(m_mutex);
        m_failing = failing;
        m_failures = 0;
        std::fill(m_asked.begin(), m_asked.end(), 0);
    }
    int Failures() const {
        std::lock_guard lock(m_mutex);
        return m_failures;
    }

private:
    void Answer(size_t index, httplib::Response& res) {
        if (index >= m_images.size()) {
            res.status = 404;
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_failing && index % kFailEvery == 0 && m_asked[index]++ == 0) {
                ++m_failures;
                res.status = 503;
                res.set_content("busy", "text/plain");
                return;
            }
        }
        res.set_content(m_images[index], "image/jpeg");
    }

    const std::vector<std::string>& m_images;
    LocalServer m_server;
    mutable std::mutex m_mutex;
    bool m_failing = false;
    int m_failures = 0;
    std::vector<int> m_asked;
};

// Three retries, no rate limit.
const dorvane::NetworkLimits kLimits{.retries = 3, .requestsPerSecond = 0};

// Every image on a fresh thread (a fresh connection, as a new worker has); the seconds it took, -1 when an
// image did not arrive whole.
double RunOnce(const std::string& base, const std::vector<std::string>& images) {
    bool intact = true;
    const auto start = Clock::now();
    std::thread([&] {
        for (int k = 0; k < kImages; ++k) {
            dorvane::FetchResult result =
                dorvane::FetchImageBytes(base + std::to_string(k) + ".jpg", {}, kLimits);
            intact = intact && result.Succeeded() && result.body == images[k];
        }
    }).join();
    return intact ? Seconds(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<std::string> images;
    for (int k = 0; k < kImages; ++k)
        images.push_back(dorvane::test::MakeJpeg(static_cast<uint32_t>(k + 1), kImageBytes));

    ImageServer server(images);
    if (!server.Start()) return std::fprintf(stderr, "FAILED: the image server did not start\n"), 1;
    LatencyProxy proxy("127.0.0.1", server.Port(), kOneWay);
    if (!proxy.Start()) return std::fprintf(stderr, "FAILED: the latency proxy did not start\n"), 1;
    const std::string base = "http://" + proxy.Host() + "/img/";

    // The pause after a first failure, as the retry schedule sets it.
    dorvane::FetchResult busy;
    busy.outcome = dorvane::FetchOutcome::Complete;
    busy.status = 503;
    const double pauseSeconds = std::chrono::duration<double>(dorvane::RetryPause(busy, 1)).count();

    std::vector<double> clean, failing, pauses;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        server.Reset(false);
        clean.push_back(RunOnce(base, images));
        server.Reset(true);
        failing.push_back(RunOnce(base, images));
        pauses.push_back(server.Failures() * pauseSeconds);
        ok = ok && clean.back() > 0 && failing.back() > 0 && server.Failures() == kImages / kFailEvery;
    }
    const double cleanMs = Median(clean) * 1000 / kImages;
    const double failingMs = Median(failing) * 1000 / kImages;
    const double pausesMs = Median(pauses) * 1000 / kImages;
    const double ratio = failingMs / (cleanMs + pausesMs);
    std::printf(
        "%d images x %zu KB through a %lld ms round trip, FetchImageBytes on one thread; medians of %d "
        "rounds\n",
        kImages, kImageBytes / 1024, static_cast<long long>(2 * kOneWay.count()), rounds);
    std::printf("  clean run                           %8.1f ms per image\n", cleanMs);
    std::printf("  one image in %d answers 503 once    %8.1f ms per image\n", kFailEvery, failingMs);
    std::printf("  pauses the retries waited           %8.1f ms per image (%d x %.0f ms / %d)\n", pausesMs,
                kImages / kFailEvery, pauseSeconds * 1000, kImages);
    std::printf("  ratio failing / (clean + pauses)    %8.3f   target <= %.2f: %s\n", ratio, kTarget,
                ratio <= kTarget ? "met" : "MISSED");
    if (!ok)
        std::fprintf(stderr, "FAILED: an image did not arrive whole or the failures were not as planned\n");
    return ok ? 0 : 1;
}
