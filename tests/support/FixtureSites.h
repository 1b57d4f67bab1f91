#pragma once
// A local imitation of the gallery Sites C, D and E on one HTTP server (their paths do not collide):
//   Site C  /photo/index/2 (first index page), /photo/index/2-0-P (listing, UTF-8, titles as &#x
//           references), /photo/c/ID.html (album page), images /img/c/ID/J.jpg (links carry the resize
//           suffix as a query)
//   Site D  /dmmt (first listing page with the page links), /dmmt/page/P (listing, UTF-8),
//           /dmmt/ID.html (album page), images /img/d/ID/J.jpg
//   Site E  /meituxinshang/pP.html (listing, GBK, with or without a meta charset),
//           /meituxinshang/aID.html (article page, GBK), images /img/e/ID/J.jpg or J.png
// Listing page P holds the albums (P - 1) * albumsPerPage + 1 ... P * albumsPerPage unless a test sets
// its own. Images are real JPEGs (PNGs), made on request from a seed, so tests can compute the exact
// bytes served. Every request is logged with its target and header lines.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/SitePage.h"

namespace httplib {
class Server;
}

namespace dorvane::test {

enum class ImageKind {
    Jpeg,
    Png,       // a PNG link (Site E shows how its marker swallows it)
    NotFound,  // the link answers 404
    Reset,     // the server sends half of the image and drops the connection
};

struct FixtureAlbum {
    int id = 0;
    std::string titleUtf8;
    std::vector<ImageKind> images;
};

struct FixtureOptions {
    int pageCount = 7;
    int albumsPerPage = 3;
    int imagesPerAlbum = 4;
    // 0 gives small images (about 2 KB); otherwise about this many bytes each.
    size_t imageBytes = 0;
    // Site E listing pages declare charset=gb2312 in a meta tag (false: no charset at all).
    bool siteEMetaCharset = true;
};

struct LoggedRequest {
    std::string method;
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    // The value of a header (first one, name compared without case); empty when absent.
    std::string Header(const std::string& name) const;
    int HeaderCount(const std::string& name) const;
};

class FixtureSites {
public:
    explicit FixtureSites(FixtureOptions options = {});
    ~FixtureSites();
    FixtureSites(const FixtureSites&) = delete;
    FixtureSites& operator=(const FixtureSites&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port) on a thread of its own; false when it cannot bind.
    bool Start(int port = 0);
    void Stop();
    int Port() const { return m_port; }
    // "127.0.0.1:port"
    std::string Host() const;
    // "http://127.0.0.1:port"
    std::string Home() const { return "http://" + Host(); }
    // Points the program's Site C, D and E hosts at this server.
    void UseForSettings() const;

    // --- content ---
    void SetPageCount(Site site, int count);
    int PageCount(Site site) const;
    // The album ids on listing page P of the site.
    void SetListing(Site site, int page, std::vector<int> albumIds);
    std::vector<int> Listing(Site site, int page) const;
    void SetAlbum(Site site, FixtureAlbum album);
    FixtureAlbum Album(Site site, int id) const;
    // Serves exactly this body (GBK or UTF-8 bytes as given) for the path, in place of the generated page.
    void SetRawPage(const std::string& path, std::string body);
    void SetSiteEMetaCharset(bool present);
    // The body served for a path (empty for an unknown path), without a request.
    std::string Body(const std::string& path) const;

    // --- what the collectors should see ---
    std::string ImageUrl(Site site, int albumId, int image) const;  // as the album page links it
    std::string ImageBytes(Site site, int albumId, int image) const;
    // The title as the program lists it, in GBK.
    std::string ListedTitle(Site site, int albumId) const;
    std::string AlbumUrl(Site site, int albumId) const;

    // --- request log ---
    std::vector<LoggedRequest> Requests() const;
    std::vector<LoggedRequest> RequestsTo(const std::string& targetPrefix) const;
    void ClearRequests();

    // Called (on the server's thread) before an image is served, with its path; may block to hold a
    // transfer open while a test acts. Not set: no call.
    void SetImageHook(std::function<void(const std::string& path)> hook);

    static const char* ResizeSuffix();

private:
    struct SiteModel {
        int pageCount = 0;
        std::map<int, std::vector<int>> listings;
        std::map<int, FixtureAlbum> albums;
    };

    void Handle(const void* request, void* response);
    std::string RenderSiteCListing(int page) const;
    std::string RenderSiteCAlbum(int id) const;
    std::string RenderSiteDListing(int page) const;
    std::string RenderSiteDAlbum(int id) const;
    std::string RenderSiteEListing(int page) const;
    std::string RenderSiteEAlbum(int id) const;
    // Callers hold m_mutex.
    FixtureAlbum AlbumLocked(Site site, int id) const;
    std::vector<int> ListingLocked(Site site, int page) const;
    std::optional<std::string> RenderLocked(const std::string& path, std::string& contentType) const;
    std::string ImageUrlLocked(Site site, const FixtureAlbum& album, int image) const;
    const SiteModel& Model(Site site) const { return m_sites[static_cast<int>(site)]; }
    SiteModel& Model(Site site) { return m_sites[static_cast<int>(site)]; }

    FixtureOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    SiteModel m_sites[kSiteCount];
    std::map<std::string, std::string> m_rawPages;
    std::vector<LoggedRequest> m_requests;
    std::function<void(const std::string&)> m_imageHook;
};

}  // namespace dorvane::test
