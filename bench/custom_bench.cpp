// Throughput of the custom page's download task ("图片采集") against the curl command line fetching the
// same addresses one after another in one process, and the peak memory of the bench process.
//
//   custom_bench          prints the figures; exit status 1 when a run did not store every image
//                         (the throughput and memory targets are reported, not enforced)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "BenchSupport.h"
#include "core/CodePage.h"
#include "support/MemoryControls.h"
#include "core/Worker.h"
#include "session/CustomPage.h"
#include "session/CustomTaskPresenter.h"
#include "support/FixtureImages.h"
#include "support/LocalServer.h"
#include "support/TestCertificate.h"

namespace {

using namespace dorvane::bench;

namespace fs = std::filesystem;
using dorvane::test::LocalServer;

constexpr int kImages = 200;
constexpr size_t kImageSize = 200 * 1024;
constexpr int kRounds = 3;
constexpr double kRatioTarget = 1.3;
constexpr long kPeakTargetKb = 64 * 1024;
const char* const kTaskTitle = "bench";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ImagePath(int n) { return "/img/" + std::to_string(n) + ".jpg"; }

// Every n.jpg (1..kImages) in the folder must hold exactly the image served for n. Returns the number of
// files that do not, and names the first few on stderr.
int CountBadFiles(const fs::path& folder, const std::vector<std::string>& images, const char* who) {
    int bad = 0;
    for (int n = 1; n <= kImages; ++n) {
        const fs::path file = folder / (std::to_string(n) + ".jpg");
        const std::string bytes = ReadAll(file);
        if (bytes.empty() || bytes != images[static_cast<size_t>(n - 1)]) {
            if (++bad <= 5)
                std::fprintf(stderr, "%s: %s is %s\n", who, file.c_str(),
                             bytes.empty() ? "missing or empty" : "wrong");
        }
    }
    return bad;
}

// The custom page set up as a user would for an image task: a page with one title and kImages image
// links in the source box, the markers that cut them out, and "图片采集" selected.
void PreparePage(dorvane::MemoryMainWindow& window, const LocalServer& server,
                 const std::string& saveFolder) {
    dorvane::CustomPage& page = window.controls.custom;
    window.saveFolder.SetText(saveFolder);
    page.extractLinks->SetSelected(false);
    page.imageCollect->SetSelected(true);
    page.titleStart->SetText("<h1>");
    page.titleEnd->SetText("</h1>");
    page.contentStart->SetText("<img src=\"");
    page.contentEnd->SetText("\">");
    std::string html = std::string("<html><body><h1>") + kTaskTitle + "</h1>\n";
    for (int n = 1; n <= kImages; ++n) html += "<img src=\"" + server.Url(ImagePath(n)) + "\">\n";
    html += "</body></html>";
    page.sourceBox->SetText(html);
}

struct TaskRun {
    double seconds = 0;
    int badFiles = 0;
    bool announced = false;
};

// One task from "开始" until both downloaders have left, then the completion watcher's tick and a check
// of every stored file.
TaskRun RunTask(const LocalServer& server, const std::vector<std::string>& images) {
    TaskRun run;
    const std::string saveFolder = dorvane::test::MakeTempFolder("dorvane-custom-bench");
    {
        dorvane::MemoryMainWindow window;
        PreparePage(window, server, saveFolder);

        const auto start = Clock::now();
        dorvane::custom::Start(window.controls, {}, std::make_shared<dorvane::CustomTaskPresenter>(
                                                    window.controls.custom, dorvane::PostDirectly));
        // The downloaders are untracked workers; nothing else runs one here.
        while (dorvane::RunningWorkerCount() > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        run.seconds = Seconds(start);

        dorvane::custom::TaskTimerTick(window.controls);
        const auto messages = window.messages.Messages();
        run.announced =
            messages.size() == 1 && dorvane::GbkToUtf8(messages[0].text) == "==== 任 务 完 成 ====";
        if (!run.announced) {
            std::fprintf(stderr, "task: completion message missing or reports failures (%zu messages)\n",
                         messages.size());
            for (const auto& message : messages)
                std::fprintf(stderr, "  %s\n", dorvane::GbkToUtf8(message.text).c_str());
        }
        const std::string taskName = std::string(kTaskTitle) + "[" + std::to_string(kImages) + "P]";
        run.badFiles = CountBadFiles(fs::path(saveFolder) / "自定义采集" / taskName, images, "task");
    }
    dorvane::test::RemoveFolder(saveFolder);
    return run;
}

struct CurlRun {
    double seconds = 0;
    int badFiles = 0;
    int exitStatus = 0;
};

// curl in one process, the same addresses one after another over one kept-alive HTTP/1.1 connection.
CurlRun RunCurl(const LocalServer& server, const std::vector<std::string>& images) {
    CurlRun run;
    const std::string scratch = dorvane::test::MakeTempFolder("dorvane-curl-bench");
    const std::string config = scratch + "/addresses.txt";
    {
        std::ofstream out(config);
        for (int n = 1; n <= kImages; ++n)
            out << "url = \"" << server.Url(ImagePath(n)) << "\"\noutput = \"" << scratch << "/" << n
                << ".jpg\"\n";
    }
    const std::string command = "curl -s --http1.1 -K '" + config + "'";
    const auto start = Clock::now();
    run.exitStatus = std::system(command.c_str());
    run.seconds = Seconds(start);
    if (run.exitStatus != 0) std::fprintf(stderr, "curl: exit status %d\n", run.exitStatus);
    run.badFiles = CountBadFiles(scratch, images, "curl");
    dorvane::test::RemoveFolder(scratch);
    return run;
}

// Compilers, builds, tests or other benchmarks running elsewhere on the machine, this process left out.
bool MachineBusy() {
    FILE* pipe = ::popen("pgrep -f 'ninj[a]|cc1plu[s]|_test[s]|_benc[h]'", "r");
    if (pipe == nullptr) return false;
    const long self = static_cast<long>(::getpid());
    bool busy = false;
    long pid = 0;
    while (std::fscanf(pipe, "%ld", &pid) == 1) busy = busy || pid != self;
    ::pclose(pipe);
    return busy;
}

// Waits up to two minutes for the machine to stay quiet for two seconds, so that other work does not
// share the two cores with the figures.
void WaitForQuietMachine() {
    int quietSeconds = 0;
    for (int i = 0; i < 120 && quietSeconds < 2; ++i) {
        if (MachineBusy()) {
            if (i == 0) std::fprintf(stderr, "waiting for builds and tests elsewhere to finish...\n");
            quietSeconds = 0;
        } else {
            ++quietSeconds;
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    if (quietSeconds < 2) std::fprintf(stderr, "machine still busy; measuring anyway\n");
}

// The wall time of curl fetching a single image: mostly starting the program, which every curl round
// pays once.
double CurlStartSeconds(const LocalServer& server) {
    const std::string command = "curl -s --http1.1 -o /dev/null '" + server.Url(ImagePath(1)) + "'";
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) return 0;
        times.push_back(Seconds(start));
    }
    return Median(times);
}

}  // namespace

int main() {
    // Made once and served from memory, so that the server costs no more than sending bytes.
    std::vector<std::string> images;
    images.reserve(kImages);
    for (int n = 1; n <= kImages; ++n)
        images.push_back(dorvane::test::MakeJpeg(static_cast<uint32_t>(n), kImageSize));
    size_t totalBytes = 0;
    for (const auto& image : images) totalBytes += image.size();

    LocalServer server;
    // curl gets its kept-alive connection for the whole run rather than a new one every few requests.
    server.Http().set_keep_alive_max_count(kImages * 4);
    server.Http().Get(
        R"(/img/(\d+)\.jpg)", [&images](const httplib::Request& request, httplib::Response& res) {
            const long n = std::strtol(request.matches[1].str().c_str(), nullptr, 10);
            if (n < 1 || n > kImages) {
                res.status = 404;
                return;
            }
            const std::string& image = images[static_cast<size_t>(n - 1)];
            // Sent straight from the stored image, without a copy per request.
            res.set_content_provider(image.size(), "image/jpeg",
                                     [&image](size_t offset, size_t length, httplib::DataSink& sink) {
                                         return sink.write(image.data() + offset, length);
                                     });
        });
    if (!server.Start()) {
        std::fprintf(stderr, "local server did not start\n");
        return 1;
    }
    const long fixtureRssKb = StatusKb("VmRSS");

    WaitForQuietMachine();
    // Warm-up: the first run of each side pays for library set-up and a cold page cache.
    RunTask(server, images);
    RunCurl(server, images);

    // Rounds alternate between the two so that load from elsewhere on the machine hits both alike.
    std::vector<double> taskRates, curlRates, ratios;
    bool allStored = true;
    std::printf(
        "%d images, %.1f KB on average (%.1f MB in all), served from memory by a local HTTP server\n\n",
        kImages, totalBytes / 1024.0 / kImages, totalBytes / 1048576.0);
    std::printf("%-8s %12s %14s %12s %14s %8s\n", "round", "task s", "task img/s", "curl s", "curl img/s",
                "ratio");
    for (int round = 1; round <= kRounds; ++round) {
        const TaskRun task = RunTask(server, images);
        const CurlRun curl = RunCurl(server, images);
        if (task.badFiles != 0 || !task.announced) {
            std::fprintf(stderr, "round %d: the task did not store all %d images (%d bad)\n", round, kImages,
                         task.badFiles);
            allStored = false;
        }
        if (curl.badFiles != 0 || curl.exitStatus != 0)
            std::fprintf(stderr, "round %d: curl did not fetch all %d images (%d bad)\n", round, kImages,
                         curl.badFiles);
        const double taskRate = kImages / task.seconds;
        const double curlRate = kImages / curl.seconds;
        taskRates.push_back(taskRate);
        curlRates.push_back(curlRate);
        ratios.push_back(taskRate / curlRate);
        std::printf("%-8d %12.3f %14.1f %12.3f %14.1f %8.2f\n", round, task.seconds, taskRate, curl.seconds,
                    curlRate, taskRate / curlRate);
    }
    const double taskMedian = Median(taskRates);
    const double curlMedian = Median(curlRates);
    std::printf("%-8s %12.3f %14.1f %12.3f %14.1f %8.2f\n", "median", kImages / taskMedian, taskMedian,
                kImages / curlMedian, curlMedian, Median(ratios));
    const double ratio = Median(ratios);
    std::printf("\nratio task / curl, median of the rounds: %.2f  (target >= %.1f)%s\n", ratio, kRatioTarget,
                ratio >= kRatioTarget ? "" : "  [below target]");
    const double curlStart = CurlStartSeconds(server);
    const double curlTransfer = kImages / curlMedian - curlStart;
    if (curlStart > 0 && curlTransfer > 0)
        std::printf(
            "  curl with one image takes %.1f ms (start-up); without it curl makes %.1f img/s, ratio %.2f\n",
            curlStart * 1000, kImages / curlTransfer, taskMedian / (kImages / curlTransfer));

    const long peakKb = StatusKb("VmHWM");
    std::printf("peak resident memory (VmHWM): %.1f MB  (target < %ld MB)%s\n", peakKb / 1024.0,
                kPeakTargetKb / 1024, peakKb < kPeakTargetKb ? "" : "  [above target]");
    std::printf("  of which resident before the first run (images held by the server, libraries): %.1f MB\n",
                fixtureRssKb / 1024.0);

    server.Stop();
    if (!allStored) {
        std::fprintf(stderr, "FAILED: the task did not store every image\n");
        return 1;
    }
    return 0;
}
