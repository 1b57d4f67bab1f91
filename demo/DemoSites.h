#pragma once
// A local imitation of the gallery sites: Sites C, D and E on one HTTP server, Sites A and B on a second,
// HTTPS server with a certificate made at start-up. The paths of the sites sharing a server do not collide:
//   Site C  /photo/index/2 (first index page), /photo/index/2-0-P (listing, UTF-8, titles as &#x
//           references), /photo/c/ID.html (album page), images /img/c/ID/J.jpg (links carry the resize
//           suffix as a query)
//   Site D  /dmmt (first listing page with the page links), /dmmt/page/P (listing, UTF-8),
//           /dmmt/ID.html (album page), images /img/d/ID/J.jpg
//   Site E  /meituxinshang/pP.html (listing, GBK, with or without a meta charset),
//           /meituxinshang/aID.html (article page, GBK), images /img/e/ID/J.jpg or J.png
//   Site A  / (home page with the category menu), category listings /xinggan/ (= page 1) and
//           /xinggan/page/P (likewise japan, taiwan, mm: one listing shared by the four), comment pages
//           /zipai/ (= the newest page) and /zipai/comment-page-P (likewise jiepai), /all/ and /hot/ (every
//           album of listing pages 1 ... pageCount), album /ID (= its page 1) and /ID/J (page J shows
//           image J), images /img/a/ID/J.jpg and comment photos /img/zipai/P/K.jpg, /img/jiepai/P/K.jpg
//   Site B  / (the same home page also carries the tag list), tag listings /t/SLUG/ (page 1) and
//           /t/SLUG/P.html, cover /img/b/ID/0.jpg and images /img/b/ID/J.jpg
// Site A and B pages are UTF-8 and sent as "text/html; charset=utf-8".
// Listing page P holds the next albumsPerPage album ids, counted from id 1 on Sites C to E, 10001 on Site A
// and 20001 on Site B ((P - 1) * albumsPerPage + 1 ... on C to E), unless a test sets its own. Site A's
// page count serves its category and its comment pages alike; a comment page holds albumsPerPage photos.
// Images are real JPEGs (PNGs), made on request from a seed, so tests can compute the exact bytes served.
// Every request to either server is logged with its target and header lines.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/Settings.h"
#include "demo/SiteNames.h"

namespace httplib {
class Server;
}

namespace dorvane::demo {

enum class ImageKind {
    Jpeg,
    Png,       // a PNG link (Site E shows how its marker swallows it)
    NotFound,  // the link answers 404
    Reset,     // the server sends half of the image and drops the connection
    BusyOnce,  // the first request answers 503, later ones the image
    Oversized, // 4 MB of bytes sent without a length
};

struct DemoAlbum {
    int id = 0;
    std::string titleUtf8;
    std::vector<ImageKind> images;
};

struct DemoOptions {
    int pageCount = 7;
    int albumsPerPage = 3;
    int imagesPerAlbum = 4;
    // 0 gives small images (about 2 KB); otherwise about this many bytes each.
    size_t imageBytes = 0;
    // Site E listing pages declare charset=gb2312 in a meta tag (false: no charset at all).
    bool siteEMetaCharset = true;
    // Sites A and B guard their images against hotlinking: an image request without the site's own
    // Referer (exactly HomeA() for A, HomeB() + "t/nvshen/" for B) gets 403.
    bool requireReferer = false;
};

struct LoggedRequest {
    std::string method;
    std::string target;  // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers;
    bool secure = false;  // came to the HTTPS server (Sites A and B)
    // The value of a header (first one, name compared without case); empty when absent.
    std::string Header(const std::string& name) const;
    int HeaderCount(const std::string& name) const;
};

class DemoSites {
public:
    explicit DemoSites(DemoOptions options = {});
    ~DemoSites();
    DemoSites(const DemoSites&) = delete;
    DemoSites& operator=(const DemoSites&) = delete;

    // Listens on 127.0.0.1 with both servers (port 0: any free port), each on a thread of its own; false
    // when either cannot bind.
    bool Start(int port = 0, int tlsPort = 0);
    void Stop();
    int Port() const { return m_port; }
    int TlsPort() const { return m_tlsPort; }
    // "127.0.0.1:port"
    std::string Host() const;
    // "http://127.0.0.1:port"
    std::string Home() const { return "http://" + Host(); }
    // "127.0.0.1:tlsport", the host of Sites A and B.
    std::string TlsHost() const;
    // "https://127.0.0.1:tlsport/" (with the trailing slash, as the program builds it).
    std::string HomeA() const;
    std::string HomeB() const;
    // The settings' site hosts pointed at these sites: Site A and B at the HTTPS server, C, D and E at the
    // HTTP one.
    void PointAt(Settings& settings) const;

    // --- content ---
    void SetPageCount(Site site, int count);
    int PageCount(Site site) const;
    // The album ids on listing page P of the site.
    void SetListing(Site site, int page, std::vector<int> albumIds);
    std::vector<int> Listing(Site site, int page) const;
    void SetAlbum(Site site, DemoAlbum album);
    DemoAlbum Album(Site site, int id) const;
    // Serves exactly this body (GBK or UTF-8 bytes as given) for the path on either server, in place of the
    // generated page (the HTTPS server declares it UTF-8, as Sites A and B do).
    void SetRawPage(const std::string& path, std::string body);
    void SetSiteEMetaCharset(bool present);
    // The body served for a path on either server (empty for an unknown path), without a request.
    std::string Body(const std::string& path) const;

    // --- Site A ---
    // The category menu of the home page (names in GBK, addresses as linked), in menu order.
    std::vector<std::string> CategoryNames() const;
    std::vector<std::string> CategoryUrls() const;
    // The comment numbers (as listed) and photo addresses of comment page P, position by position.
    std::vector<std::string> CommentNumbers(bool zipai, int page) const;
    std::vector<std::string> CommentImageUrls(bool zipai, int page) const;

    // --- Site B ---
    static constexpr int kTagCount = 3;
    // The tag's address (HomeB() + "t/" + slug + "/"), its name in GBK, and the album count its listing
    // reports (125 unless set: two pages of 60).
    std::string TagUrl(int tagIndex) const;
    std::string TagName(int tagIndex) const;
    void SetTagAlbumCount(int tagIndex, int count);

    // --- what the collectors should see ---
    // As the album page links it; on Site B image 0 is the album's cover, the address the listing shows.
    std::string ImageUrl(Site site, int albumId, int image) const;
    std::string ImageBytes(Site site, int albumId, int image) const;
    // The bytes served for any image address of either server (Site A comment photos included); empty
    // for an address that serves no image.
    std::string ImageBytesAt(const std::string& url) const;
    // The title as the program lists it, in GBK.
    std::string ListedTitle(Site site, int albumId) const;
    // The album page (Site A: HomeA() + ID, its first page; Site B: HomeB() + "g/ID/", which the program
    // never fetches).
    std::string AlbumUrl(Site site, int albumId) const;

    // --- request log ---
    std::vector<LoggedRequest> Requests() const;
    std::vector<LoggedRequest> RequestsTo(const std::string& targetPrefix) const;
    void ClearRequests();

    // Called (on the server's thread) before an image is served, with its path, on either server and also
    // before a 403 or 404 answer; may block to hold a transfer open while a test acts. Not set: no call.
    void SetImageHook(std::function<void(const std::string& path)> hook);
    // Likewise before a page (anything but an image) is served: a slow listing is a hook that sleeps.
    void SetPageHook(std::function<void(const std::string& path)> hook);

    static const char* ResizeSuffix();

private:
    struct SiteModel {
        int pageCount = 0;
        std::map<int, std::vector<int>> listings;
        std::map<int, DemoAlbum> albums;
    };

    // What an image path names: an album image (image 0: a Site B cover) or a Site A comment photo.
    struct ImageTarget {
        Site site = Site::C;
        int albumId = 0;
        int image = 0;
        bool comment = false;
        bool zipai = false;
    };

    void Handle(const void* request, void* response, bool secure);
    std::optional<ImageTarget> ParseImageTarget(const std::string& path, bool secure) const;
    // Callers hold m_mutex. Nothing when the target serves no image (404).
    std::optional<ImageKind> ImageKindLocked(const ImageTarget& target) const;
    std::string ImageBytesFor(const ImageTarget& target, ImageKind kind) const;
    std::string ImageRefererLocked(const ImageTarget& target) const;
    std::string RenderSiteCListing(int page) const;
    std::string RenderSiteCAlbum(int id) const;
    std::string RenderSiteDListing(int page) const;
    std::string RenderSiteDAlbum(int id) const;
    std::string RenderSiteEListing(int page) const;
    std::string RenderSiteEAlbum(int id) const;
    std::string RenderTlsHome() const;
    std::string RenderSiteACategory(const std::string& category, int page) const;
    std::string RenderSiteAComments(bool zipai, int page) const;
    std::string RenderSiteAAllAlbums() const;
    std::optional<std::string> RenderSiteAAlbum(int id, int page) const;
    std::string RenderSiteBTag(int tagIndex, int page) const;
    std::optional<std::string> RenderTlsLocked(const std::string& path) const;
    int CommentCountLocked(int page) const;
    std::string CommentNumberLocked(bool zipai, int page, int position) const;
    // Callers hold m_mutex.
    DemoAlbum AlbumLocked(Site site, int id) const;
    std::vector<int> ListingLocked(Site site, int page) const;
    std::optional<std::string> RenderLocked(const std::string& path, std::string& contentType) const;
    std::string ImageUrlLocked(Site site, const DemoAlbum& album, int image) const;
    const SiteModel& Model(Site site) const { return m_sites[static_cast<int>(site)]; }
    SiteModel& Model(Site site) { return m_sites[static_cast<int>(site)]; }

    DemoOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::unique_ptr<httplib::Server> m_tlsServer;
    std::thread m_tlsThread;
    int m_tlsPort = 0;
    mutable std::mutex m_mutex;
    SiteModel m_sites[kSiteCount];
    std::map<std::string, std::string> m_rawPages;
    int m_tagAlbumCounts[kTagCount] = {125, 125, 125};
    std::vector<LoggedRequest> m_requests;
    std::function<void(const std::string&)> m_imageHook;
    std::function<void(const std::string&)> m_pageHook;
    std::set<std::string> m_busyAnswered;  // BusyOnce images that answered 503 already
};

}  // namespace dorvane::demo
