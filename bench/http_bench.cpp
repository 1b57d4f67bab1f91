// Throughput of HttpObjectFetch against the curl command line on the same local server, and the peak
// memory of one 100 MB body through each fetch path.
//
//   http_bench            prints the figures; exit status 0 (targets are reported, not enforced)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "support/LocalServer.h"
#include "support/TestCertificate.h"

namespace {

using namespace dorvane::bench;
using dorvane::test::LocalServer;

constexpr int kImages = 300;
constexpr size_t kImageSize = 256 * 1024;
constexpr size_t kLargeSize = 100u * 1024 * 1024;
constexpr int kRounds = 7;

// Resets the peak resident size to the current one (Linux 4.0 and later).
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

template <typename Fetch>
void MeasurePeak(const char* name, Fetch fetch) {
    bool reset = ResetPeak();
    long before = StatusKb("VmRSS");
    size_t size = fetch();
    long peak = StatusKb("VmHWM");
    double growthMb = (peak - before) / 1024.0;
    double ratio = growthMb / (kLargeSize / 1048576.0);
    std::printf("%-40s body %zu bytes, peak growth %.1f MB = %.2fx body%s  (target < 3x)\n", name, size,
                growthMb, ratio, reset ? "" : " [peak not reset: upper bound]");
}

}  // namespace

int main() {
    const std::string image(kImageSize, '\xab');
    LocalServer server;
    server.Http().Get(R"(/img/(\d+)\.jpg)", [&image](const httplib::Request&, httplib::Response& res) {
        res.set_content(image, "image/jpeg");
    });
    server.Http().Get("/large", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(kLargeSize, "application/octet-stream",
                                 [](size_t, size_t length, httplib::DataSink& sink) {
                                     static const std::string chunk(1 << 16, 'x');
                                     return sink.write(chunk.data(), std::min(length, chunk.size()));
                                 });
    });
    if (!server.Start()) {
        std::fprintf(stderr, "local server did not start\n");
        return 1;
    }
    const double totalMb = kImages * kImageSize / 1048576.0;

    // Warm-up so that neither side pays for first-use costs alone.
    dorvane::HttpObjectFetch(server.Url("/img/0.jpg"));

    std::string folder = dorvane::test::MakeTempFolder("dorvane-bench");
    std::string config = folder + "/urls.txt";
    {
        std::ofstream out(config);
        for (int i = 0; i < kImages; ++i) {
            out << "url = \"" << server.Url("/img/" + std::to_string(i) + ".jpg")
                << "\"\noutput = \"/dev/null\"\n";
        }
    }
    const std::string command = "curl -s -K '" + config + "'";

    // Rounds alternate between the two so that load from elsewhere on the machine hits both alike; the
    // median round of each is reported.
    std::vector<double> oursTimes, curlTimes;
    int rc = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        size_t received = 0;
        for (int i = 0; i < kImages; ++i) {
            received += dorvane::HttpObjectFetch(server.Url("/img/" + std::to_string(i) + ".jpg")).size();
        }
        oursTimes.push_back(Seconds(start));
        if (received != kImages * kImageSize)
            std::fprintf(stderr, "HttpObjectFetch received %zu bytes\n", received);
        start = Clock::now();
        rc |= std::system(command.c_str());
        curlTimes.push_back(Seconds(start));
    }
    dorvane::test::RemoveFolder(folder);
    double ours = Median(oursTimes);
    double theirs = Median(curlTimes);

    double oursRate = totalMb / ours;
    double curlRate = totalMb / theirs;
    std::printf("%d images of %zu KB (%.1f MB), median of %d rounds\n", kImages, kImageSize / 1024, totalMb,
                kRounds);
    std::printf("HttpObjectFetch, one call per image: %8.1f MB/s (%.3f s)\n", oursRate, ours);
    std::printf("curl command line, one process:     %8.1f MB/s (%.3f s)%s\n", curlRate, theirs,
                rc == 0 ? "" : "  [curl failed]");
    std::printf("ratio HttpObjectFetch / curl:        %8.2f (target >= 0.80)\n\n", oursRate / curlRate);

    MeasurePeak("HttpObjectFetch 100 MB",
                [&] { return dorvane::HttpObjectFetch(server.Url("/large")).size(); });
    MeasurePeak("HttpFetch 100 MB, text only",
                [&] { return dorvane::HttpFetch(server.Url("/large")).size(); });
    MeasurePeak("HttpFetch 100 MB, text + responseBytes", [&] {
        dorvane::Bytes bytes;
        dorvane::Text text = dorvane::HttpFetch(server.Url("/large"), dorvane::HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {},
                                                {}, {}, {}, 0, {}, {}, bytes);
        return text.size() + bytes.size();
    });
    return 0;
}
