// What keeping the connection buys on a real link: local servers behind a LatencyProxy that holds every
// chunk 20 ms in each direction (a 40 ms round trip), measured against the curl program on the same
// addresses through the same proxy.
//
//   1. 60 images of 200 KB served from memory, over HTTP and over HTTPS, fetched one after another with
//      HttpObjectFetch on one thread (one kept connection), by curl in one process (keep-alive, as curl
//      does by default), and with a fresh thread per fetch (a new connection, and on HTTPS a full TLS
//      handshake, every time, as the program did before it kept a handle per thread).
//   2. Listing page 1 of Site C (HTTP) and of Site A (HTTPS) collected by the page's session (the
//      collection engine) on in-memory controls, 3 albums x
//      10 images of 200 KB. Site C reads one album page per album and then each image (1 + M requests for
//      an album of M images), Site A the album's first page and then, per image, its album page and the
//      image (1 + 2M). Their fixed waits (Site C 5 ms per image; Site A 10 ms per album and 5 + 10 ms per
//      image) are taken off the worker's time before it is compared with curl.
//
// The fixture pages link to the fixture server's own port, which would take the images past the proxy, so
// the album and listing pages the worker reads are re-served (FixtureSites::SetRawPage) with their links
// pointing at the proxies; every request a server answers is checked to have come through a proxy.
// Section 2 runs one transfer at a time (network/parallel=1) and twice, once against the fixture (demo) sites and once against a mirror serving the same
// pages and images from memory with the server settings of section 1, so that a change in the fixture's
// server settings shows up beside a server known to compare like with like against section 1's curl.
//
//   3. The same page collections with one and with four transfers in flight, beside curl replaying their
//      requests one after another and aria2c -j4 over the same addresses (when aria2c is installed).
//
//   latency_bench [rounds] [--flight]   median of the rounds (3 unless given); --flight runs section 3 only;
//                                       exit status 0 unless a run failed
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BenchSupport.h"
#include "PageSessionBench.h"
#include "collectors/SiteRegistry.h"
#include "core/Settings.h"
#include "core/Worker.h"
#include "net/HttpObjectFetch.h"
#include "support/FixtureImages.h"
#include "support/FixtureSites.h"
#include "support/LatencyProxy.h"
#include "support/LocalServer.h"
#include "support/MemoryControls.h"
#include "support/TestCertificate.h"

namespace {

using namespace dorvane::bench;

namespace fs = std::filesystem;
using dorvane::Site;
using dorvane::test::FixtureSites;
using dorvane::test::LatencyProxy;
using dorvane::test::LocalServer;

constexpr std::chrono::milliseconds kOneWay{20};
constexpr int kImages = 60;
constexpr size_t kImageBytes = 200 * 1024;
constexpr int kAlbums = 3;
constexpr int kImagesPerAlbum = 10;
constexpr double kFetchTarget = 1.10;
constexpr double kWorkerTarget = 1.15;

bool g_failed = false;

void Fail(const std::string& what) {
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    g_failed = true;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Runs the command that downloads request k into FOLDER/k.out and removes the folder; the milliseconds it
// took, or -1 when it failed or a body differs from the expected one (expected empty: not compared).
double TimeDownloads(const std::string& command, const std::string& folder,
                     const std::vector<std::string>& expected) {
    const auto start = Clock::now();
    const int exitCode = std::system(command.c_str());
    const double ms = MsSince(start);
    bool intact = exitCode == 0;
    for (size_t k = 0; intact && k < expected.size(); ++k) {
        if (!expected[k].empty())
            intact = ReadFile(fs::path(folder) / (std::to_string(k) + ".out")) == expected[k];
    }
    dorvane::test::RemoveFolder(folder);
    return intact ? ms : -1;
}

// curl fetching the addresses in one process through its config file; the milliseconds it took, or -1
// when it failed or a body differs from the expected one (expected empty: not compared).
double TimeCurl(const std::vector<std::string>& urls, const std::vector<std::string>& expected) {
    const std::string folder = dorvane::test::MakeTempFolder("dorvane-latency-curl");
    const fs::path config = fs::path(folder) / "requests.curl";
    {
        std::ofstream out(config);
        for (size_t k = 0; k < urls.size(); ++k) {
            out << "url = \"" << urls[k] << "\"\noutput = \""
                << (fs::path(folder) / (std::to_string(k) + ".out")).string() << "\"\n";
        }
    }
    // -k: the local HTTPS servers' certificates are self-signed.
    const std::string command = "curl -s -k --http1.1 -K '" + config.string() + "'";
    return TimeDownloads(command, folder, expected);
}

// --- 1. image fetches ---

struct FetchFigures {
    // Milliseconds per image, medians over the rounds.
    double oneThreadMs = 0, curlMs = 0, threadPerFetchMs = 0;
    // Connections the proxy accepted in one round.
    int oneThreadConnections = 0, curlConnections = 0, threadPerFetchConnections = 0;
};

// Every fetch on the calling thread; false when a body differs.
bool FetchAll(const std::vector<std::string>& urls, const std::vector<std::string>& images) {
    bool intact = true;
    for (size_t k = 0; k < urls.size(); ++k)
        intact = dorvane::HttpObjectFetch(urls[k]) == images[k] && intact;
    return intact;
}

FetchFigures MeasureFetches(LocalServer::Scheme scheme, const std::vector<std::string>& images, int rounds) {
    FetchFigures figures;
    LocalServer server(scheme);
    server.Http().Get(R"(/img/(\d+)\.jpg)", [&images](const httplib::Request& req, httplib::Response& res) {
        const size_t index = std::stoul(req.matches[1].str());
        if (index >= images.size()) {
            res.status = 404;
            return;
        }
        res.set_content(images[index], "image/jpeg");
    });
    server.Http().set_keep_alive_max_count(1000);
    server.Http().set_tcp_nodelay(true);
    if (!server.Start()) {
        Fail("local server did not start");
        return figures;
    }
    LatencyProxy proxy("127.0.0.1", server.Port(), kOneWay);
    if (!proxy.Start()) {
        Fail("latency proxy did not start");
        return figures;
    }
    const std::string base =
        std::string(scheme == LocalServer::Scheme::Https ? "https://" : "http://") + proxy.Host() + "/img/";
    std::vector<std::string> urls;
    for (size_t k = 0; k < images.size(); ++k) urls.push_back(base + std::to_string(k) + ".jpg");
    const double count = static_cast<double>(images.size());

    // First-use costs of libcurl and OpenSSL are paid once, off the clock and past the proxy.
    std::thread([&] { dorvane::HttpObjectFetch(server.Url("/img/0.jpg")); }).join();

    std::vector<double> oneThread, curl, threadPerFetch;
    // The three take turns, so load from elsewhere on the machine hits them alike. Each round of the
    // one-thread loop runs on a new thread and so opens its connection afresh, as curl's process does.
    for (int round = 0; round < rounds; ++round) {
        int before = proxy.ConnectionCount();
        bool intact = true;
        auto start = Clock::now();
        std::thread([&] { intact = FetchAll(urls, images); }).join();
        oneThread.push_back(MsSince(start) / count);
        figures.oneThreadConnections = proxy.ConnectionCount() - before;
        if (!intact) Fail("HttpObjectFetch on one thread: a body differs");

        before = proxy.ConnectionCount();
        const double curlMs = TimeCurl(urls, images);
        if (curlMs < 0) Fail("curl failed or a body differs");
        curl.push_back(curlMs / count);
        figures.curlConnections = proxy.ConnectionCount() - before;

        before = proxy.ConnectionCount();
        start = Clock::now();
        for (size_t k = 0; k < urls.size(); ++k) {
            std::thread([&] { intact = dorvane::HttpObjectFetch(urls[k]) == images[k] && intact; }).join();
        }
        threadPerFetch.push_back(MsSince(start) / count);
        figures.threadPerFetchConnections = proxy.ConnectionCount() - before;
        if (!intact) Fail("HttpObjectFetch with a thread per fetch: a body differs");
    }
    figures.oneThreadMs = Median(oneThread);
    figures.curlMs = Median(curl);
    figures.threadPerFetchMs = Median(threadPerFetch);
    return figures;
}

// --- 2. the page worker ---

struct SiteShape {
    const char* name;
    Site site;
    double waitPerAlbumMs;
    double waitPerImageMs;
    int requestsPerAlbum;  // beyond those per image
    int requestsPerImage;

    int Images() const { return kAlbums * kImagesPerAlbum; }
    int Requests() const { return kAlbums * (requestsPerAlbum + kImagesPerAlbum * requestsPerImage); }
    double RequestsPerImage() const { return static_cast<double>(Requests()) / Images(); }
    double WaitPerImageMs() const {
        return (kAlbums * waitPerAlbumMs + Images() * waitPerImageMs) / Images();
    }
};

constexpr SiteShape kSiteC{"Site C", Site::C, 0.0, 5.0, 1, 1};
constexpr SiteShape kSiteA{"Site A", Site::A, 10.0, 15.0, 1, 2};

// Who answers the worker: the fixture sites themselves, or a mirror serving the same pages and images
// (taken from the fixture without a request) from servers set up as in section 1.
enum class Backend { Fixture, Mirror };

struct WorkerFigures {
    double workerMsPerImage = 0;  // the whole worker run over the images, median
    double curlMsPerRequest = 0;  // curl replaying the worker's requests, median
    int workerConnections = 0;
};

// The fixture sites, a kept-alive mirror of them, a latency proxy in front of each of the four servers,
// and the program's Site A and C hosts pointed at the proxies of the chosen backend.
class ProxiedSites {
public:
    ProxiedSites()
        : m_sites({.pageCount = 1,
                   .albumsPerPage = kAlbums,
                   .imagesPerAlbum = kImagesPerAlbum,
                   .imageBytes = kImageBytes}) {}

    bool Start() {
        if (!m_sites.Start()) return false;
        for (bool secure : {false, true}) {
            auto& mirror = secure ? m_mirrorTls : m_mirrorPlain;
            mirror = std::make_unique<LocalServer>(secure ? LocalServer::Scheme::Https
                                                          : LocalServer::Scheme::Http);
            mirror->Http().Get(R"(/.*)", [this, secure](const httplib::Request& req, httplib::Response& res) {
                Mirror(req.path, secure, res);
            });
            mirror->Http().set_keep_alive_max_count(1000);
            mirror->Http().set_tcp_nodelay(true);
            if (!mirror->Start()) return false;
        }
        m_proxies[0] = std::make_unique<LatencyProxy>("127.0.0.1", m_sites.Port(), kOneWay);
        m_proxies[1] = std::make_unique<LatencyProxy>("127.0.0.1", m_sites.TlsPort(), kOneWay);
        m_proxies[2] = std::make_unique<LatencyProxy>("127.0.0.1", m_mirrorPlain->Port(), kOneWay);
        m_proxies[3] = std::make_unique<LatencyProxy>("127.0.0.1", m_mirrorTls->Port(), kOneWay);
        for (auto& proxy : m_proxies) {
            if (!proxy->Start()) return false;
        }
        KeepOriginalPages();
        return true;
    }

    // Points the pages' settings and links at the backend's proxies.
    void Use(Backend backend) {
        m_backend = backend;
        m_settings = dorvane::Settings();
        m_sites.PointAt(m_settings);
        m_settings.siteHosts["c"] = Proxy(false).Host();
        m_settings.siteHosts["a"] = Proxy(true).Host();
        for (const auto& [path, body] : m_originals) m_sites.SetRawPage(path, Proxied(body));
    }

    FixtureSites& Sites() { return m_sites; }
    // The settings a page is built with: the hosts of the backend in use.
    const dorvane::Settings& PageSettings() const { return m_settings; }
    LatencyProxy& ProxyFor(Site site) { return Proxy(site == Site::A); }

    // The fixture server's own addresses as the backend's proxies carry them.
    std::string Proxied(const std::string& text) const {
        return ReplaceAll(ReplaceAll(text, m_sites.Home() + "/", "http://" + Proxy(false).Host() + "/"),
                          m_sites.HomeA(), "https://" + Proxy(true).Host() + "/");
    }

    // Every address the worker requests, in its order, and beside each the bytes an image must arrive
    // with (empty for a page).
    std::vector<std::string> WorkerRequests(const SiteShape& shape,
                                            std::vector<std::string>& expected) const {
        std::vector<std::string> urls;
        expected.clear();
        const auto add = [&](std::string url, std::string bytes) {
            urls.push_back(std::move(url));
            expected.push_back(std::move(bytes));
        };
        for (int id : m_sites.Listing(shape.site, 1)) {
            const std::string album = Proxied(m_sites.AlbumUrl(shape.site, id));
            add(album, {});
            for (int image = 1; image <= kImagesPerAlbum; ++image) {
                if (shape.site == Site::A) add(album + "/" + std::to_string(image), {});
                add(Proxied(m_sites.ImageUrl(shape.site, id, image)),
                    m_sites.ImageBytes(shape.site, id, image));
            }
        }
        return urls;
    }

    // Starts counting the requests the backend's servers answer.
    void MarkRequests() {
        m_sites.ClearRequests();
        m_mirrorMark = m_mirrorPlain->RequestCount() + m_mirrorTls->RequestCount();
    }
    int RequestsSinceMark() const {
        if (m_backend == Backend::Fixture) return static_cast<int>(m_sites.Requests().size());
        return static_cast<int>(m_mirrorPlain->RequestCount() + m_mirrorTls->RequestCount() - m_mirrorMark);
    }
    // True when every request the backend's servers answered named one of its proxies as the host (a link
    // still pointing at a server itself would show its own port).
    bool AllThroughProxies() const {
        const std::string plain = Proxy(false).Host();
        const std::string tls = Proxy(true).Host();
        if (m_backend == Backend::Fixture) {
            for (const auto& request : m_sites.Requests()) {
                if (request.Header("Host") != (request.secure ? tls : plain)) return false;
            }
            return true;
        }
        for (const auto* mirror : {m_mirrorPlain.get(), m_mirrorTls.get()}) {
            for (const auto& request : mirror->Requests()) {
                if (request.Header("Host") != (mirror == m_mirrorTls.get() ? tls : plain)) return false;
            }
        }
        return true;
    }

private:
    LatencyProxy& Proxy(bool secure) const {
        return *m_proxies[(m_backend == Backend::Mirror ? 2 : 0) + (secure ? 1 : 0)];
    }

    // The pages the worker reads carry absolute links to the fixture server; they are kept as rendered and
    // re-served with the links turned to the proxies of the backend in use.
    void KeepOriginalPages() {
        // The home page too: Site A's menu links its categories there.
        std::vector<std::string> paths = {"/", "/xinggan/", "/xinggan/page/1"};
        for (int id : m_sites.Listing(Site::C, 1))
            paths.push_back("/photo/c/" + std::to_string(id) + ".html");
        for (int id : m_sites.Listing(Site::A, 1)) {
            const std::string album = std::string("/").append(std::to_string(id));
            paths.push_back(album);
            for (int page = 1; page <= kImagesPerAlbum; ++page)
                paths.push_back(album + "/" + std::to_string(page));
        }
        for (const std::string& path : paths) m_originals[path] = m_sites.Body(path);
    }

    // The mirror's answer: what the fixture serves for the path, from memory.
    void Mirror(const std::string& path, bool secure, httplib::Response& res) const {
        const std::string origin = secure ? m_sites.HomeA() : m_sites.Home() + "/";
        if (std::string image = m_sites.ImageBytesAt(origin + path.substr(1)); !image.empty()) {
            res.set_content(std::move(image), "image/jpeg");
        } else if (std::string page = m_sites.Body(path); !page.empty()) {
            res.set_content(std::move(page), "text/html; charset=utf-8");
        } else {
            res.status = 404;
        }
    }

    FixtureSites m_sites;
    std::unique_ptr<LocalServer> m_mirrorPlain;
    std::unique_ptr<LocalServer> m_mirrorTls;
    // Fixture HTTP, fixture HTTPS, mirror HTTP, mirror HTTPS.
    std::unique_ptr<LatencyProxy> m_proxies[4];
    std::map<std::string, std::string> m_originals;
    Backend m_backend = Backend::Fixture;
    dorvane::Settings m_settings;
    size_t m_mirrorMark = 0;
};

// Puts listing page 1 on the page the way the user gets there: on Site A the first category.
bool LoadListing(const SiteShape& shape, dorvane::bench::BenchPage& page) {
    return page.Load(shape.site == Site::A ? 0 : -1, kAlbums);
}

int FilledFiles(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.file_size() > 0) ++count;
    }
    return count;
}

// One page collection of listing page 1 with `parallel` transfers in flight: milliseconds per image, or -1
// when it failed (reported). The connections the worker opened go to `connections`.
double CollectOnce(ProxiedSites& sites, const SiteShape& shape, const std::string& name, int parallel,
                   int& connections) {
    dorvane::Settings settings = sites.PageSettings();
    settings.parallel = parallel;
    const std::string save = dorvane::test::MakeTempFolder("dorvane-latency-worker");
    const int index = static_cast<int>(shape.site);
    dorvane::bench::BenchPage page(dorvane::DescribeSite(index, settings), index, save, settings);
    if (!LoadListing(shape, page)) {
        Fail(name + ": listing did not load");
        dorvane::test::RemoveFolder(save);
        return -1;
    }
    sites.MarkRequests();
    const int before = sites.ProxyFor(shape.site).ConnectionCount();
    const auto start = Clock::now();
    dorvane::CollectionReport report;
    const bool ran = page.Collect(report);
    const double ms = MsSince(start) / shape.Images();
    connections = sites.ProxyFor(shape.site).ConnectionCount() - before;
    const int written = ran ? FilledFiles(save) : 0;
    dorvane::test::RemoveFolder(save);
    if (written != shape.Images()) Fail(name + ": the worker did not write every image");
    if (sites.RequestsSinceMark() != shape.Requests())
        Fail(name + ": the worker made an unexpected number of requests");
    if (!sites.AllThroughProxies()) Fail(name + ": a request went past the proxy");
    return ms;
}

// The worker one transfer at a time, as it fetched before it kept several in flight.
WorkerFigures MeasureWorker(ProxiedSites& sites, Backend backend, const SiteShape& shape, int rounds) {
    WorkerFigures figures;
    sites.Use(backend);
    const std::string name = std::string(shape.name) +
                             (backend == Backend::Fixture ? " (fixture server)" : " (kept-alive mirror)");
    std::vector<std::string> expected;
    const std::vector<std::string> urls = sites.WorkerRequests(shape, expected);
    if (static_cast<int>(urls.size()) != shape.Requests()) {
        Fail(name + ": unexpected request count");
        return figures;
    }
    std::vector<double> worker, curl;
    for (int round = 0; round < rounds; ++round) {
        worker.push_back(CollectOnce(sites, shape, name, 1, figures.workerConnections));
        // Images compared byte for byte; pages only checked for arriving.
        const double curlMs = TimeCurl(urls, expected);
        if (curlMs < 0) Fail(name + ": curl failed or an image differs");
        curl.push_back(curlMs / shape.Requests());
    }
    figures.workerMsPerImage = Median(worker);
    figures.curlMsPerRequest = Median(curl);
    return figures;
}

// --- 3. images in flight ---

// aria2c fetching the addresses four at a time (one connection per address's server each, no splitting);
// milliseconds, -1 when it failed or an image differs, -2 when aria2c is not installed.
double TimeAria2(const std::vector<std::string>& urls, const std::vector<std::string>& expected) {
    if (std::system("command -v aria2c >/dev/null 2>&1") != 0) return -2;
    const std::string folder = dorvane::test::MakeTempFolder("dorvane-latency-aria2");
    const fs::path list = fs::path(folder) / "requests.txt";
    {
        std::ofstream out(list);
        for (size_t k = 0; k < urls.size(); ++k) out << urls[k] << "\n  out=" << k << ".out\n";
    }
    const std::string command = "aria2c -q -j4 -x1 -s1 --check-certificate=false --allow-overwrite=true "
                                "--auto-file-renaming=false -d '" + folder + "' -i '" + list.string() + "'";
    return TimeDownloads(command, folder, expected);
}

constexpr int kManyInFlight = 4;
constexpr double kCurlShareTarget = 0.35;
constexpr double kAria2Target = 1.10;

// Milliseconds per image of the whole page collection (its waits included) and of the tools over the
// same requests.
struct FlightFigures {
    double oneMs = 0, manyMs = 0, curlMs = 0;
    double aria2Ms = -2;  // -2: aria2c not installed
    int manyConnections = 0;
};

FlightFigures MeasureFlight(ProxiedSites& sites, const SiteShape& shape, int rounds) {
    FlightFigures figures;
    sites.Use(Backend::Mirror);
    const std::string name = std::string(shape.name) + " in flight";
    std::vector<std::string> expected;
    const std::vector<std::string> urls = sites.WorkerRequests(shape, expected);
    std::vector<double> one, many, curl, aria2;
    int connections = 0;
    for (int round = 0; round < rounds; ++round) {
        one.push_back(CollectOnce(sites, shape, name, 1, connections));
        many.push_back(CollectOnce(sites, shape, name, kManyInFlight, figures.manyConnections));
        const double curlMs = TimeCurl(urls, expected);
        if (curlMs < 0) Fail(name + ": curl failed or an image differs");
        curl.push_back(curlMs / shape.Images());
        const double aria2Ms = TimeAria2(urls, expected);
        if (aria2Ms == -1) Fail(name + ": aria2c failed or an image differs");
        if (aria2Ms >= 0) aria2.push_back(aria2Ms / shape.Images());
    }
    figures.oneMs = Median(one);
    figures.manyMs = Median(many);
    figures.curlMs = Median(curl);
    if (!aria2.empty()) figures.aria2Ms = Median(aria2);
    return figures;
}

// --- report ---

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

void PrintFetches(const FetchFigures& http, const FetchFigures& https) {
    std::printf("1. %d images x %zu KB, fetched one after another through the proxy\n", kImages,
                kImageBytes / 1024);
    std::printf("   %-42s %10s %6s   %10s %6s\n", "", "HTTP", "", "HTTPS", "");
    std::printf("   %-42s %10s %6s   %10s %6s\n", "", "ms/image", "conns", "ms/image", "conns");
    const auto row = [](const char* name, double a, int ca, double b, int cb) {
        std::printf("   %-42s %10.1f %6d   %10.1f %6d\n", name, a, ca, b, cb);
    };
    row("HttpObjectFetch, loop on one thread", http.oneThreadMs, http.oneThreadConnections, https.oneThreadMs,
        https.oneThreadConnections);
    row("curl -s -k --http1.1 -K, one process", http.curlMs, http.curlConnections, https.curlMs,
        https.curlConnections);
    row("HttpObjectFetch, a fresh thread per fetch", http.threadPerFetchMs, http.threadPerFetchConnections,
        https.threadPerFetchMs, https.threadPerFetchConnections);
    const double httpRatio = http.oneThreadMs / http.curlMs;
    const double httpsRatio = https.oneThreadMs / https.curlMs;
    std::printf("   %-42s %10.2f %6s   %10.2f %6s   target <= %.2f: %s / %s\n", "ratio one thread / curl",
                httpRatio, "", httpsRatio, "", kFetchTarget, Verdict(httpRatio <= kFetchTarget),
                Verdict(httpsRatio <= kFetchTarget));
    std::printf("   %-42s %10.2f %6s   %10.2f\n", "ratio fresh thread per fetch / curl",
                http.threadPerFetchMs / http.curlMs, "", https.threadPerFetchMs / https.curlMs);
}

// One site's column: its figures against curl's time per request in section 1 (same scheme).
struct Column {
    const SiteShape& shape;
    const WorkerFigures& figures;
    double curlSection1Ms;

    double Beyond() const { return figures.workerMsPerImage - shape.WaitPerImageMs(); }
    double Budget() const { return kWorkerTarget * curlSection1Ms * shape.RequestsPerImage(); }
};

void PrintWorkers(const std::vector<Column>& columns) {
    std::printf("\n2. Page worker, listing page 1: %d albums x %d images of %zu KB, through the proxy\n",
                kAlbums, kImagesPerAlbum, kImageBytes / 1024);
    std::printf(
        "   server: F = the fixture (demo) sites,\n"
        "           M = the same pages and images from a mirror that keeps connections (as section 1)\n");
    std::printf("   %-52s %11s %11s %11s %11s\n", "", "C/HTTP F", "C/HTTP M", "A/HTTPS F", "A/HTTPS M");
    const auto row = [&columns](const char* name, const std::function<double(const Column&)>& value,
                                const char* format) {
        std::printf("   %-52s", name);
        for (const Column& column : columns) {
            char cell[32];
            std::snprintf(cell, sizeof cell, format, value(column));
            std::printf(" %11s", cell);
        }
        std::printf("\n");
    };
    row(
        "requests per image", [](const Column& c) { return c.shape.RequestsPerImage(); }, "%.2f");
    row(
        "connections the worker opened",
        [](const Column& c) { return static_cast<double>(c.figures.workerConnections); }, "%.0f");
    row(
        "worker ms per image", [](const Column& c) { return c.figures.workerMsPerImage; }, "%.1f");
    row(
        "mandated waits, ms per image", [](const Column& c) { return c.shape.WaitPerImageMs(); }, "%.1f");
    row(
        "worker ms per image beyond the waits", [](const Column& c) { return c.Beyond(); }, "%.1f");
    row(
        "curl ms per request (section 1, same scheme)", [](const Column& c) { return c.curlSection1Ms; },
        "%.1f");
    row(
        "target: 1.15 x that x requests per image", [](const Column& c) { return c.Budget(); }, "%.1f");
    row(
        "ratio: beyond waits / (section-1 curl x requests)",
        [](const Column& c) { return c.Beyond() / (c.curlSection1Ms * c.shape.RequestsPerImage()); }, "%.2f");
    std::printf("   %-52s", "  target <= 1.15");
    for (const Column& column : columns) std::printf(" %11s", Verdict(column.Beyond() <= column.Budget()));
    std::printf("\n");
    row(
        "curl replaying the worker's requests, ms/request",
        [](const Column& c) { return c.figures.curlMsPerRequest; }, "%.1f");
    row(
        "ratio: beyond waits / (replay x requests)",
        [](const Column& c) {
            return c.Beyond() / (c.figures.curlMsPerRequest * c.shape.RequestsPerImage());
        },
        "%.2f");
}

void PrintFlight(const FlightFigures& c, const FlightFigures& a) {
    std::printf("\n3. Images in flight, listing page 1 as in section 2 (kept-alive mirror), ms per image of the\n"
                "   whole collection (its mandated waits included) beside the tools over the same requests\n");
    std::printf("   %-52s %11s %11s\n", "", "C/HTTP", "A/HTTPS");
    const auto row = [](const char* name, double x, double y, const char* format = " %11.1f") {
        std::printf("   %-52s", name);
        std::printf(format, x);
        std::printf(format, y);
        std::printf("\n");
    };
    row("page collection, network/parallel=1", c.oneMs, a.oneMs);
    row("page collection, network/parallel=4", c.manyMs, a.manyMs);
    std::printf("   %-52s %11d %11d\n", "  connections it opened", c.manyConnections, a.manyConnections);
    row("curl, the same requests one after another", c.curlMs, a.curlMs);
    if (c.aria2Ms >= 0 && a.aria2Ms >= 0) {
        row("aria2c -j4, the same requests", c.aria2Ms, a.aria2Ms);
    } else {
        std::printf("   %-52s %11s %11s\n", "aria2c -j4, the same requests", "absent", "absent");
    }
    row("ratio parallel=4 / curl one after another", c.manyMs / c.curlMs, a.manyMs / a.curlMs, " %11.2f");
    std::printf("   %-52s %11s %11s\n", "  target <= 0.35", Verdict(c.manyMs <= kCurlShareTarget * c.curlMs),
                Verdict(a.manyMs <= kCurlShareTarget * a.curlMs));
    if (c.aria2Ms >= 0 && a.aria2Ms >= 0) {
        row("ratio parallel=4 / aria2c -j4", c.manyMs / c.aria2Ms, a.manyMs / a.aria2Ms, " %11.2f");
        std::printf("   %-52s %11s %11s\n", "  target <= 1.10", Verdict(c.manyMs <= kAria2Target * c.aria2Ms),
                    Verdict(a.manyMs <= kAria2Target * a.aria2Ms));
    }
    row("ratio parallel=1 / parallel=4", c.oneMs / c.manyMs, a.oneMs / a.manyMs, " %11.2f");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const bool flightOnly = argc > 2 && std::string(argv[2]) == "--flight";
    std::printf(
        "Latency proxy: %lld ms each way (%lld ms round trip); a new connection is charged one round "
        "trip for its TCP handshake; medians of %d rounds\n\n",
        static_cast<long long>(kOneWay.count()), static_cast<long long>(2 * kOneWay.count()), rounds);

    FetchFigures http, https;
    if (!flightOnly) {
        std::vector<std::string> images;
        for (int k = 0; k < kImages; ++k)
            images.push_back(dorvane::test::MakeJpeg(static_cast<uint32_t>(k + 1), kImageBytes));
        http = MeasureFetches(LocalServer::Scheme::Http, images, rounds);
        https = MeasureFetches(LocalServer::Scheme::Https, images, rounds);
        PrintFetches(http, https);
        std::fflush(stdout);
    }

    ProxiedSites sites;
    if (!sites.Start()) {
        Fail("fixture sites, mirrors or their proxies did not start");
        return 1;
    }
    if (!flightOnly) {
        const WorkerFigures siteCFixture = MeasureWorker(sites, Backend::Fixture, kSiteC, rounds);
        const WorkerFigures siteCMirror = MeasureWorker(sites, Backend::Mirror, kSiteC, rounds);
        const WorkerFigures siteAFixture = MeasureWorker(sites, Backend::Fixture, kSiteA, rounds);
        const WorkerFigures siteAMirror = MeasureWorker(sites, Backend::Mirror, kSiteA, rounds);
        PrintWorkers({{kSiteC, siteCFixture, http.curlMs},
                      {kSiteC, siteCMirror, http.curlMs},
                      {kSiteA, siteAFixture, https.curlMs},
                      {kSiteA, siteAMirror, https.curlMs}});
        std::fflush(stdout);
    }
    PrintFlight(MeasureFlight(sites, kSiteC, rounds), MeasureFlight(sites, kSiteA, rounds));
    return g_failed ? 1 : 0;
}
