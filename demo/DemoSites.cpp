#include "demo/DemoSites.h"

#include "collectors/SiteRegistry.h"

#include <httplib.h>

#include <strings.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "core/CodePage.h"
#include "core/Settings.h"
#include "demo/Certificate.h"
#include "demo/DemoImages.h"
#include "net/CurlTransfer.h"

namespace dorvane::demo {

namespace {

constexpr const char* kResizeSuffix = "?image/auto-orient,1/resize,m_lfit,w_1440/quality,q_100";

struct MenuEntry {
    const char* slug;
    const char* nameUtf8;
};
// Site A's navigation menu in the order the collector numbers its categories: four album categories, the
// two comment-page categories, then two that list every album.
constexpr MenuEntry kSiteACategories[] = {
    {"xinggan", "性感妹子"}, {"japan", "日本妹子"},  {"taiwan", "台湾妹子"}, {"mm", "清纯妹子"},
    {"zipai", "妹子自拍"},   {"jiepai", "街拍美女"}, {"all", "每日更新"},    {"hot", "热门专题"},
};
constexpr int kAlbumCategories = 4;
constexpr MenuEntry kSiteBTags[] = {{"nvshen", "女神"}, {"xinggan", "性感"}, {"meitui", "美腿"}};
static_assert(std::size(kSiteBTags) == DemoSites::kTagCount);

// Ids with five digits keep Site A's album paths (/ID) apart from its other paths.
int FirstAlbumId(Site site) {
    switch (site) {
        case Site::A:
            return 10001;
        case Site::B:
            return 20001;
        default:
            return 1;
    }
}

const char* SiteLetter(Site site) {
    switch (site) {
        case Site::A:
            return "a";
        case Site::B:
            return "b";
        case Site::C:
            return "c";
        case Site::D:
            return "d";
        case Site::E:
            return "e";
        default:
            return "x";
    }
}

std::string ToGbk(const std::string& utf8) { return Utf8ToGbkText(utf8); }

// Every character outside ASCII as a hexadecimal character reference, as Site C writes its titles.
std::string HexReferences(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        uint32_t code = lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        char reference[16];
        std::snprintf(reference, sizeof reference, "&#x%04x;", code);
        out += reference;
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string DefaultTitle(Site site, int id) {
    switch (site) {
        case Site::A:
            return "性感美女第" + std::to_string(id) + "期";  // no blank: the all-albums page needs none
        case Site::B:
            return "美女写真 第" + std::to_string(id) + "辑";
        case Site::C:
            return "春日樱花 No." + std::to_string(id);
        case Site::D:
            return "二次元少女 " + std::to_string(id);
        default:
            return "漫图赏析 " + std::to_string(id);
    }
}

uint32_t ImageSeed(Site site, int albumId, int image) {
    return static_cast<uint32_t>(static_cast<int>(site) * 1000003 + albumId * 1009 + image);
}

uint32_t CommentSeed(bool zipai, int page, int position) {
    return static_cast<uint32_t>(50000017 + (zipai ? 0 : 7000003) + page * 1009 + position);
}

const char* CommentSlug(bool zipai) { return zipai ? "zipai" : "jiepai"; }

// path == prefix + digits + suffix; the digits' value into number.
bool ParseNumberedPath(const std::string& path, const std::string& prefix, const std::string& suffix,
                       int& number) {
    if (path.size() <= prefix.size() + suffix.size() || path.rfind(prefix, 0) != 0 || !path.ends_with(suffix))
        return false;
    const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    number = std::stoi(digits);
    return true;
}

// The server on 127.0.0.1 at the port (0: any free one), serving on its own thread; the port, or -1.
int Listen(httplib::Server& server, std::thread& thread, int port) {
    if (!server.is_valid()) return -1;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) return -1;
    thread = std::thread([&server] { server.listen_after_bind(); });
    // stop() only reaches a server that is already running, so wait for that before handing back.
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return port;
}

void Halt(httplib::Server& server, std::thread& thread) {
    if (thread.joinable()) {
        server.stop();
        thread.join();
    }
}

// "/img/c/12/3.jpg" -> site C, album 12, image 3.
bool ParseImagePath(const std::string& path, Site& site, int& albumId, int& image) {
    char letter = 0;
    char extension[8] = {};
    if (std::sscanf(path.c_str(), "/img/%c/%d/%d.%7s", &letter, &albumId, &image, extension) != 4)
        return false;
    if (letter == 'a')
        site = Site::A;
    else if (letter == 'b')
        site = Site::B;
    else if (letter == 'c')
        site = Site::C;
    else if (letter == 'd')
        site = Site::D;
    else if (letter == 'e')
        site = Site::E;
    else
        return false;
    return true;
}

}  // namespace

std::string LoggedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

int LoggedRequest::HeaderCount(const std::string& name) const {
    return static_cast<int>(std::count_if(headers.begin(), headers.end(), [&](const auto& header) {
        return strcasecmp(header.first.c_str(), name.c_str()) == 0;
    }));
}

const char* DemoSites::ResizeSuffix() { return kResizeSuffix; }

DemoSites::DemoSites(DemoOptions options)
    : m_options(options), m_server(std::make_unique<httplib::Server>()) {
    for (Site site : {Site::A, Site::B, Site::C, Site::D, Site::E}) Model(site).pageCount = options.pageCount;
    m_server->Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        Handle(&request, &response, false);
    });

    const std::string certificateFolder = MakeTempFolder("dorvane-fixture-tls");
    const CertificateFiles files =
        certificateFolder.empty() ? CertificateFiles{} : MakeSelfSignedCertificate(certificateFolder);
    m_tlsServer = std::make_unique<httplib::SSLServer>(files.certificatePath.c_str(), files.keyPath.c_str());
    // The server reads the certificate and key into its context right away; the files are not needed again.
    RemoveFolder(certificateFolder);
    m_tlsServer->Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        Handle(&request, &response, true);
    });
    // Small answers go out at once instead of waiting for the client's delayed acknowledgement, as a real
    // web server sends them; otherwise every page on a kept-alive connection stalls for about 40 ms.
    m_server->set_tcp_nodelay(true);
    m_tlsServer->set_tcp_nodelay(true);
    // A client that keeps its connection open keeps it for a whole collection, as on a real site.
    m_server->set_keep_alive_max_count(1000);
    m_tlsServer->set_keep_alive_max_count(1000);
}

DemoSites::~DemoSites() { Stop(); }

bool DemoSites::Start(int port, int tlsPort) {
    m_port = Listen(*m_server, m_thread, port);
    if (m_port <= 0) return false;
    m_tlsPort = Listen(*m_tlsServer, m_tlsThread, tlsPort);
    if (m_tlsPort <= 0) {
        Stop();
        return false;
    }
    return true;
}

void DemoSites::Stop() {
    // A connection the test's thread keeps for reuse would hold a server thread for its whole keep-alive
    // time-out.
    CloseThreadConnections();
    Halt(*m_server, m_thread);
    Halt(*m_tlsServer, m_tlsThread);
}

std::string DemoSites::Host() const { return "127.0.0.1:" + std::to_string(m_port); }

std::string DemoSites::TlsHost() const { return "127.0.0.1:" + std::to_string(m_tlsPort); }

std::string DemoSites::HomeA() const { return "https://" + TlsHost() + "/"; }

std::string DemoSites::HomeB() const { return "https://" + TlsHost() + "/"; }

void DemoSites::PointAt(Settings& settings) const {
    // Every registered site: those served over HTTPS on the TLS port.
    for (const SiteEntry& site : Sites()) settings.siteHosts[site.key] = site.tls ? TlsHost() : Host();
}

void DemoSites::SetPageCount(Site site, int count) {
    std::lock_guard lock(m_mutex);
    Model(site).pageCount = count;
}

int DemoSites::PageCount(Site site) const {
    std::lock_guard lock(m_mutex);
    return Model(site).pageCount;
}

void DemoSites::SetListing(Site site, int page, std::vector<int> albumIds) {
    std::lock_guard lock(m_mutex);
    Model(site).listings[page] = std::move(albumIds);
}

std::vector<int> DemoSites::Listing(Site site, int page) const {
    std::lock_guard lock(m_mutex);
    return ListingLocked(site, page);
}

std::vector<int> DemoSites::ListingLocked(Site site, int page) const {
    const SiteModel& model = Model(site);
    if (auto found = model.listings.find(page); found != model.listings.end()) return found->second;
    std::vector<int> ids;
    if (page < 1 || page > std::max(model.pageCount, 1)) return ids;
    for (int k = 0; k < m_options.albumsPerPage; ++k)
        ids.push_back(FirstAlbumId(site) + (page - 1) * m_options.albumsPerPage + k);
    return ids;
}

void DemoSites::SetAlbum(Site site, DemoAlbum album) {
    std::lock_guard lock(m_mutex);
    Model(site).albums[album.id] = std::move(album);
}

DemoAlbum DemoSites::Album(Site site, int id) const {
    std::lock_guard lock(m_mutex);
    return AlbumLocked(site, id);
}

DemoAlbum DemoSites::AlbumLocked(Site site, int id) const {
    const SiteModel& model = Model(site);
    if (auto found = model.albums.find(id); found != model.albums.end()) return found->second;
    DemoAlbum album;
    album.id = id;
    album.titleUtf8 = DefaultTitle(site, id);
    album.images.assign(static_cast<size_t>(std::max(m_options.imagesPerAlbum, 0)), ImageKind::Jpeg);
    return album;
}

void DemoSites::SetRawPage(const std::string& path, std::string body) {
    std::lock_guard lock(m_mutex);
    m_rawPages[path] = std::move(body);
}

void DemoSites::SetSiteEMetaCharset(bool present) {
    std::lock_guard lock(m_mutex);
    m_options.siteEMetaCharset = present;
}

std::string DemoSites::ImageUrl(Site site, int albumId, int image) const {
    std::lock_guard lock(m_mutex);
    return ImageUrlLocked(site, AlbumLocked(site, albumId), image);
}

std::string DemoSites::ImageBytes(Site site, int albumId, int image) const {
    const ImageTarget target{.site = site, .albumId = albumId, .image = image};
    std::optional<ImageKind> kind;
    {
        std::lock_guard lock(m_mutex);
        kind = ImageKindLocked(target);
    }
    return kind ? ImageBytesFor(target, *kind) : std::string{};
}

std::string DemoSites::ImageBytesAt(const std::string& url) const {
    std::string path;
    bool secure = false;
    if (const std::string plain = Home() + "/"; url.rfind(plain, 0) == 0) {
        path = url.substr(plain.size() - 1);
    } else if (const std::string tls = HomeA(); url.rfind(tls, 0) == 0) {
        path = url.substr(tls.size() - 1);
        secure = true;
    } else {
        return {};
    }
    path = path.substr(0, path.find('?'));  // the server sees the path without its query
    const std::optional<ImageTarget> target = ParseImageTarget(path, secure);
    if (!target) return {};
    std::optional<ImageKind> kind;
    {
        std::lock_guard lock(m_mutex);
        kind = ImageKindLocked(*target);
    }
    return kind ? ImageBytesFor(*target, *kind) : std::string{};
}

std::optional<DemoSites::ImageTarget> DemoSites::ParseImageTarget(const std::string& path,
                                                                  bool secure) const {
    ImageTarget target;
    if (secure) {
        for (bool zipai : {true, false}) {
            const std::string prefix = std::string("/img/") + CommentSlug(zipai) + "/";
            const size_t slash = path.find('/', prefix.size());
            if (path.rfind(prefix, 0) != 0 || slash == std::string::npos) continue;
            if (ParseNumberedPath(path.substr(0, slash), prefix, "", target.albumId) &&
                ParseNumberedPath(path.substr(slash), "/", ".jpg", target.image)) {
                target.site = Site::A;
                target.comment = true;
                target.zipai = zipai;
                return target;
            }
        }
    }
    if (!ParseImagePath(path, target.site, target.albumId, target.image)) return std::nullopt;
    // Each server serves the images of its own sites only.
    const bool tlsSite = target.site == Site::A || target.site == Site::B;
    if (tlsSite != secure) return std::nullopt;
    return target;
}

std::optional<ImageKind> DemoSites::ImageKindLocked(const ImageTarget& target) const {
    if (target.comment) {
        if (target.image < 1 || target.image > CommentCountLocked(target.albumId)) return std::nullopt;
        return ImageKind::Jpeg;
    }
    if (target.site == Site::B && target.image == 0) return ImageKind::Jpeg;  // the cover
    const DemoAlbum album = AlbumLocked(target.site, target.albumId);
    if (target.image < 1 || target.image > static_cast<int>(album.images.size())) return std::nullopt;
    const ImageKind kind = album.images[static_cast<size_t>(target.image - 1)];
    if (kind == ImageKind::NotFound) return std::nullopt;
    return kind;
}

std::string DemoSites::ImageBytesFor(const ImageTarget& target, ImageKind kind) const {
    if (target.comment)
        return MakeJpeg(CommentSeed(target.zipai, target.albumId, target.image), m_options.imageBytes);
    const uint32_t seed = ImageSeed(target.site, target.albumId, target.image);
    return kind == ImageKind::Png ? MakePng(seed) : MakeJpeg(seed, m_options.imageBytes);
}

std::string DemoSites::ImageRefererLocked(const ImageTarget& target) const {
    if (!m_options.requireReferer) return {};
    if (target.site == Site::A) return HomeA();
    if (target.site == Site::B) return HomeB() + "t/nvshen/";
    return {};
}

// --- Site A ---

std::vector<std::string> DemoSites::CategoryNames() const {
    std::vector<std::string> names;
    for (const MenuEntry& entry : kSiteACategories) names.push_back(ToGbk(entry.nameUtf8));
    return names;
}

std::vector<std::string> DemoSites::CategoryUrls() const {
    std::vector<std::string> urls;
    for (const MenuEntry& entry : kSiteACategories) urls.push_back(HomeA() + entry.slug + "/");
    return urls;
}

int DemoSites::CommentCountLocked(int page) const {
    if (page < 1 || page > std::max(Model(Site::A).pageCount, 1)) return 0;
    return std::max(m_options.albumsPerPage, 0);
}

std::string DemoSites::CommentNumberLocked(bool zipai, int page, int position) const {
    return std::to_string((zipai ? 100000 : 200000) + page * 100 + position);
}

std::vector<std::string> DemoSites::CommentNumbers(bool zipai, int page) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> numbers;
    for (int k = 1; k <= CommentCountLocked(page); ++k)
        numbers.push_back(CommentNumberLocked(zipai, page, k));
    return numbers;
}

std::vector<std::string> DemoSites::CommentImageUrls(bool zipai, int page) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> urls;
    for (int k = 1; k <= CommentCountLocked(page); ++k) {
        urls.push_back(HomeA() + "img/" + CommentSlug(zipai) + "/" + std::to_string(page) + "/" +
                       std::to_string(k) + ".jpg");
    }
    return urls;
}

// --- Site B ---

std::string DemoSites::TagUrl(int tagIndex) const {
    if (tagIndex < 0 || tagIndex >= kTagCount) return {};
    return HomeB() + "t/" + kSiteBTags[tagIndex].slug + "/";
}

std::string DemoSites::TagName(int tagIndex) const {
    if (tagIndex < 0 || tagIndex >= kTagCount) return {};
    return ToGbk(kSiteBTags[tagIndex].nameUtf8);
}

void DemoSites::SetTagAlbumCount(int tagIndex, int count) {
    if (tagIndex < 0 || tagIndex >= kTagCount) return;
    std::lock_guard lock(m_mutex);
    m_tagAlbumCounts[tagIndex] = count;
}

std::string DemoSites::ListedTitle(Site site, int albumId) const {
    std::string title = Album(site, albumId).titleUtf8;
    if (site == Site::C) title.erase(std::remove(title.begin(), title.end(), ';'), title.end());
    return ToGbk(title);
}

std::string DemoSites::AlbumUrl(Site site, int albumId) const {
    const std::string id = std::to_string(albumId);
    switch (site) {
        case Site::A:
            return HomeA() + id;
        case Site::B:
            return HomeB() + "g/" + id + "/";
        case Site::C:
            return Home() + "/photo/c/" + id + ".html";
        case Site::D:
            return Home() + "/dmmt/" + id + ".html";
        default:
            return Home() + "/meituxinshang/a" + id + ".html";
    }
}

std::vector<LoggedRequest> DemoSites::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<LoggedRequest> DemoSites::RequestsTo(const std::string& targetPrefix) const {
    std::vector<LoggedRequest> matching;
    for (const LoggedRequest& request : Requests()) {
        if (request.target.rfind(targetPrefix, 0) == 0) matching.push_back(request);
    }
    return matching;
}

void DemoSites::ClearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void DemoSites::SetImageHook(std::function<void(const std::string& path)> hook) {
    std::lock_guard lock(m_mutex);
    m_imageHook = std::move(hook);
}

void DemoSites::SetPageHook(std::function<void(const std::string& path)> hook) {
    std::lock_guard lock(m_mutex);
    m_pageHook = std::move(hook);
}

// --- pages ---

std::string DemoSites::RenderSiteCListing(int page) const {
    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Cosplay</title></head><body>\n"
        "<ul class=\"photo-list\">\n";
    for (int id : ListingLocked(Site::C, page)) {
        const std::string href = "/photo/c/" + std::to_string(id) + ".html";
        html += "<li><a href=\"" + href + "\" class=\"pic\"><img src=\"/thumb/" + std::to_string(id) +
                ".jpg\"></a><a href=\"" + href + "\" class=\"tits grey\">" +
                HexReferences(AlbumLocked(Site::C, id).titleUtf8) + "</a></li>\n";
    }
    html += "</ul>\n";
    const int pages = Model(Site::C).pageCount;
    if (pages > 0) {
        html +=
            "<div class=\"page\"><a href=\"/photo/index/2-0-1\">首页</a><a "
            "href=\"/photo/index/2-0-1\">上一页</a>";
        for (int p = 1; p <= pages; ++p) {
            if (p > 5 && p < pages) continue;
            html += "<a href=\"/photo/index/2-0-" + std::to_string(p) + "\">" + std::to_string(p) + "</a>";
        }
        html += "<a href=\"/photo/index/2-0-2\">下一页</a></div>\n";
    }
    return html + "</body></html>\n";
}

std::string DemoSites::RenderSiteCAlbum(int id) const {
    const DemoAlbum album = AlbumLocked(Site::C, id);
    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>\n"
        "<div class=\"talk_pic hauto\">\n";
    for (size_t j = 1; j <= album.images.size(); ++j) {
        const std::string link = Home() + "/img/c/" + std::to_string(id) + "/" + std::to_string(j) + ".jpg";
        html += "<p><a href=\"" + link + "\"><img src=\"" + link + kResizeSuffix + "\"></a></p>\n";
    }
    return html + "</div>\n<div class=\"pics_title tcenter\">" + HexReferences(album.titleUtf8) +
           "</div></body></html>\n";
}

std::string DemoSites::RenderSiteDListing(int page) const {
    std::string html =
        "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>二次元</title>"
        "</head><body>\n";
    for (int id : ListingLocked(Site::D, page)) {
        html += "<div class=\"post-data\"><a href=\"" + AlbumUrl(Site::D, id) +
                "\" target=\"_blank\" title=\"" + AlbumLocked(Site::D, id).titleUtf8 +
                "\"><div class=\"posr\"><img src=\"/thumb/" + std::to_string(id) +
                ".jpg\"></div></a></div>\n";
    }
    const int pages = Model(Site::D).pageCount;
    if (pages > 0) {
        const auto link = [&](int p) {
            return "<a class=\"page-numbers\" href=\"" + Home() + "/dmmt/page/" + std::to_string(p) +
                   "\"><span class=\"meta-nav screen-reader-text\">第 </span>" + std::to_string(p) +
                   "<span class=\"meta-nav screen-reader-text\"> 页</span></a>";
        };
        html += "<nav class=\"navigation pagination\"><div class=\"nav-links\">" + link(1) +
                "<span class=\"page-numbers dots\">&hellip;</span>" + link(pages) +
                "<a class=\"next page-numbers\" href=\"" + Home() + "/dmmt/page/2\">下一页</a></div></nav>\n";
    }
    return html + "</body></html>\n";
}

std::string DemoSites::RenderSiteDAlbum(int id) const {
    const DemoAlbum album = AlbumLocked(Site::D, id);
    std::string html = "<!DOCTYPE html><html><head><meta charset=\"UTF-8\"></head><body>\n<h1>" +
                       album.titleUtf8 + "</h1><span class=\"views\">" + std::to_string(id * 7) +
                       " 浏览</span>\n<div class=\"entry\">\n";
    for (size_t j = 1; j <= album.images.size(); ++j) {
        html += "<p><img class=\"aligncenter size-full\" src=\"" +
                ImageUrlLocked(Site::D, album, static_cast<int>(j)) + "\" alt=\"" + album.titleUtf8 +
                "\" width=\"800\" height=\"1200\"></p>\n";
    }
    return html + "</div>\n<div class=\"share\"><span>分享到</span></div></body></html>\n";
}

std::string DemoSites::RenderSiteEListing(int page) const {
    std::string html = "<!DOCTYPE html><html><head>";
    if (m_options.siteEMetaCharset) {
        html += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
    }
    html += "<title>美图欣赏</title></head><body>\n<ul>\n";
    for (int id : ListingLocked(Site::E, page)) {
        html += "<li><a target=\"_blank\" class=\"dec_img\" href=\"" + AlbumUrl(Site::E, id) + "\" title=\"" +
                AlbumLocked(Site::E, id).titleUtf8 + "\"><img src=\"/thumb/" + std::to_string(id) +
                ".jpg\"></a></li>\n";
    }
    html += "</ul>\n";
    const int pages = Model(Site::E).pageCount;
    if (pages > 0) {
        html +=
            "<div class=\"page\"><a href=\"/meituxinshang/p1.html\">首页</a><a "
            "href=\"/meituxinshang/p2.html\">下一页"
            "</a><a class=\"first\" href=\"/meituxinshang/p" +
            std::to_string(pages) + ".html\">尾页</a></div>\n";
    }
    return ToGbk(html + "</body></html>\n");
}

std::string DemoSites::RenderSiteEAlbum(int id) const {
    const DemoAlbum album = AlbumLocked(Site::E, id);
    std::string html =
        "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=gb2312\"></head><body>\n<h1>" +
        album.titleUtf8 + "</h1>\n<div class=\"news_content_con\">\n";
    for (size_t j = 1; j <= album.images.size(); ++j) {
        // Real article images carry a few attributes; they also make a PNG link's piece run past the limit.
        html += "<p style=\"text-align:center\"><img src=\"" +
                ImageUrlLocked(Site::E, album, static_cast<int>(j)) +
                "\" alt=\"\" width=\"640\" height=\"960\" style=\"display:block;margin:0 auto\"></p>\n";
    }
    return ToGbk(html +
                 "</div>\n<div class=\"tags\"><span>标签：</span><a href=\"/tag/1.html\">美图</a></div>"
                 "</body></html>\n");
}

std::string DemoSites::ImageUrlLocked(Site site, const DemoAlbum& album, int image) const {
    const bool png = image >= 1 && image <= static_cast<int>(album.images.size()) &&
                     album.images[static_cast<size_t>(image - 1)] == ImageKind::Png;
    const std::string home = site == Site::A || site == Site::B ? HomeA() : Home() + "/";
    return home + "img/" + SiteLetter(site) + "/" + std::to_string(album.id) + "/" + std::to_string(image) +
           (png ? ".png" : ".jpg");
}

// Sites A and B share the home page: Site A's navigation menu runs from its home link to the search box,
// Site B's tag list follows in a list of its own.
std::string DemoSites::RenderTlsHome() const {
    const std::string home = HomeA();
    std::string html =
        "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>妹子图</title>"
        "</head><body>\n<div class=\"header\"><div class=\"mainnav\"><ul id=\"menu-nav\" class=\"menu\">\n";
    html += "<li><a href=\"" + home + "\">首页</a></li>\n";
    for (const MenuEntry& entry : kSiteACategories)
        html += "<li><a href=\"" + home + entry.slug + "/\">" + entry.nameUtf8 + "</a></li>\n";
    html += "</ul>\n<div class=\"search\"><form method=\"get\" action=\"" + home +
            "search/\"><input type=\"text\" name=\"s\" placeholder=\"搜一搜，看一看\"><button "
            "type=\"submit\">搜索</button></form></div></div></div>\n"
            "<div class=\"tags\"><h3>热门标签</h3><ul id=\"tag_ul\">";
    for (int tag = 0; tag < kTagCount; ++tag)
        html += "<li><a href=\"" + TagUrl(tag) + "\">" + kSiteBTags[tag].nameUtf8 + "</a></li>";
    return html + "</ul></div>\n</body></html>\n";
}

std::string DemoSites::RenderSiteACategory(const std::string& category, int page) const {
    const std::string home = HomeA();
    std::string html = "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>" +
                       category + "</title></head><body>\n<div class=\"postlist\"><ul id=\"pins\">\n";
    for (int id : ListingLocked(Site::A, page)) {
        const std::string url = AlbumUrl(Site::A, id);
        const std::string title = AlbumLocked(Site::A, id).titleUtf8;
        html += "<li><a href=\"" + url + "\"><img class=\"lazy\" src=\"" + home + "thumb/" +
                std::to_string(id) + ".jpg\" alt=\"" + title +
                "\" width=\"236\" height=\"354\" /></a><span><a href=\"" + url + "\" target=\"_blank\">" +
                title + "</a></span><span class=\"time\">2020-06-08</span></li>\n";
    }
    html += "</ul></div>\n";
    // The collector reads the page count from the fourth single-quoted link: pages 1, 2 and 3 come first
    // (the last page standing in for any of them that does not exist), then the last page.
    const int pages = Model(Site::A).pageCount;
    if (pages > 0) {
        const std::string prefix = home + category + "/page/";
        const auto link = [&](int p, const std::string& text) {
            return "<a class='page-numbers' href='" + prefix + std::to_string(p) + "'>" + text + "</a>";
        };
        html += "<nav class=\"navigation pagination\"><div class=\"nav-links\">";
        for (int p = 1; p <= 3; ++p) html += link(std::min(p, pages), std::to_string(std::min(p, pages)));
        html += "<span class='page-numbers dots'>…</span>" + link(pages, std::to_string(pages)) +
                link(std::min(page + 1, pages), "下一页") + "</div></nav>\n";
    }
    return html + "</body></html>\n";
}

std::string DemoSites::RenderSiteAComments(bool zipai, int page) const {
    const std::string home = HomeA();
    std::string html =
        std::string("<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>") +
        CommentSlug(zipai) + "</title></head><body>\n";
    // The pager counts down from the newest page; its third single-quoted link names the page before the
    // newest, which the collector takes for the page count less one. A single page has no numbered links.
    const int pages = Model(Site::A).pageCount;
    const std::string prefix = home + CommentSlug(zipai) + "/comment-page-";
    const auto link = [&](int p, const std::string& text) {
        return "<a class='page-numbers' href='" + prefix + std::to_string(p) + "'>" + text + "</a>";
    };
    html += "<div class=\"pagenavi-cm\">" + link(1, "最早") + link(std::max(pages, 1), "最新");
    for (int p = pages - 1; p >= std::max(1, pages - 3); --p) html += link(p, std::to_string(p));
    html +=
        "</div>\n<div id=\"comments\"><div id=\"comment-form-wrapper-extra-long\"></div>\n<ul "
        "class=\"comment-list\">\n";
    for (int k = 1; k <= CommentCountLocked(page); ++k) {
        const std::string url = home + "img/" + CommentSlug(zipai) + "/" + std::to_string(page) + "/" +
                                std::to_string(k) + ".jpg";
        html += "<li id=\"comment-" + CommentNumberLocked(zipai, page, k) +
                "\"><div class=\"comment-body\"><p><img class=\"lazy\" src=\"" + home +
                "static/blank.gif\" data-original=\"" + url +
                "\" width=\"640\" height=\"480\" alt=\"\"></p></div></li>\n";
    }
    return html + "</ul></div>\n</body></html>\n";
}

// Every album of listing pages 1 ... pageCount, one link each and no other link that opens a new window.
std::string DemoSites::RenderSiteAAllAlbums() const {
    std::string html =
        "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>每日更新</title>"
        "</head><body>\n"
        "<div class=\"all\"><h2 class=\"year\">2020</h2><ul class=\"archives\"><li><p class=\"url\">\n";
    std::vector<int> listed;
    for (int page = 1; page <= std::max(Model(Site::A).pageCount, 1); ++page) {
        for (int id : ListingLocked(Site::A, page)) {
            if (std::find(listed.begin(), listed.end(), id) != listed.end()) continue;
            listed.push_back(id);
            html += "<em>06月08日</em> <a href=\"" + AlbumUrl(Site::A, id) + "\" target=\"_blank\">" +
                    AlbumLocked(Site::A, id).titleUtf8 + "</a><br>\n";
        }
    }
    return html + "</p></li></ul></div>\n</body></html>\n";
}

// Album page J shows image J; its pager ends in a link to the last page (the image count) right after an
// ellipsis. An album without images has neither.
std::optional<std::string> DemoSites::RenderSiteAAlbum(int id, int page) const {
    const DemoAlbum album = AlbumLocked(Site::A, id);
    const int count = static_cast<int>(album.images.size());
    if (page < 1 || (page > count && page != 1)) return std::nullopt;
    const std::string url = AlbumUrl(Site::A, id);
    const auto pageUrl = [&](int p) { return url + "/" + std::to_string(p); };
    std::string html =
        "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"UTF-8\"><title>" + album.titleUtf8 +
        "</title></head><body>\n<div class=\"content\"><h2 class=\"main-title\">" + album.titleUtf8 +
        "</h2>\n<div class=\"main-meta\"><span>分类：<a href=\"" + HomeA() +
        "xinggan/\" rel=\"category tag\">性感妹子</a></span><span>发布于 2020-06-08</span></div>\n";
    if (count > 0) {
        html += "<div class=\"main-image\"><p><a href='" + (page < count ? pageUrl(page + 1) : url) +
                "'><img src=\"" + ImageUrlLocked(Site::A, album, page) + "\" alt=\"" + album.titleUtf8 +
                "\" width=\"800\" height=\"1200\" /></a></p></div>\n<div class=\"pagenavi\">";
        if (page > 1) html += "<a href='" + pageUrl(page - 1) + "'><span>上一页</span></a>";
        html += "<span>" + std::to_string(page) + "</span>";
        if (page < count) html += "<a href='" + pageUrl(page + 1) + "'><span>下一页</span></a>";
        html += "<span class='dots'>…</span><a href='" + pageUrl(count) + "'><span>" + std::to_string(count) +
                "</span></a></div>\n";
    }
    return html + "</div></body></html>\n";
}

// A tag's listing page: album entries (cover, title, image count) and a pager that opens with the number
// of albums under the tag.
std::string DemoSites::RenderSiteBTag(int tagIndex, int page) const {
    const std::string tagUrl = TagUrl(tagIndex);
    const int albums = m_tagAlbumCounts[tagIndex];
    const int pages = (albums + 30) / 60;
    const auto pageUrl = [&](int p) { return p == 1 ? tagUrl : tagUrl + std::to_string(p) + ".html"; };
    std::string html = std::string("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>") +
                       kSiteBTags[tagIndex].nameUtf8 + "</title></head><body>\n<div class=\"hezi\"><ul>\n";
    for (int id : ListingLocked(Site::B, page)) {
        const DemoAlbum album = AlbumLocked(Site::B, id);
        html += "<li><a href=\"" + AlbumUrl(Site::B, id) + "\" target=\"_blank\"><img src=\"" +
                ImageUrlLocked(Site::B, album, 0) + "\" alt=\"" + album.titleUtf8 +
                "\" width=\"220\" height=\"300\"/></a>\n<p>图片： " + std::to_string(album.images.size()) +
                " 张</p></li>\n";
    }
    html += "</ul></div>\n<center><div id=\"pages\" class=\"text-c\"><a class=\"a1\">" +
            std::to_string(albums) + "条</a>";
    if (page > 1) html += "<a href=\"" + pageUrl(page - 1) + "\" class=\"a1\">上一页</a>";
    for (int p = 1; p <= std::min(pages, 10); ++p) {
        html += p == page ? "<span>" + std::to_string(p) + "</span>"
                          : "<a href=\"" + pageUrl(p) + "\">" + std::to_string(p) + "</a>";
    }
    if (page < pages) html += "<a href=\"" + pageUrl(page + 1) + "\" class=\"a1\">下一页</a>";
    return html + "</div></center>\n</body></html>\n";
}

std::optional<std::string> DemoSites::RenderTlsLocked(const std::string& path) const {
    if (auto raw = m_rawPages.find(path); raw != m_rawPages.end()) return raw->second;
    if (path == "/") return RenderTlsHome();
    int number = 0;
    for (int k = 0; k < kAlbumCategories; ++k) {
        const std::string category = kSiteACategories[k].slug;
        if (path == "/" + category + "/") return RenderSiteACategory(category, 1);
        if (ParseNumberedPath(path, "/" + category + "/page/", "", number))
            return RenderSiteACategory(category, number);
    }
    for (bool zipai : {true, false}) {
        const std::string category = CommentSlug(zipai);
        if (path == "/" + category + "/")
            return RenderSiteAComments(zipai, std::max(Model(Site::A).pageCount, 1));
        if (ParseNumberedPath(path, "/" + category + "/comment-page-", "", number))
            return RenderSiteAComments(zipai, number);
    }
    if (path == "/all/" || path == "/hot/") return RenderSiteAAllAlbums();
    for (int tag = 0; tag < kTagCount; ++tag) {
        const std::string tagPath = std::string("/t/") + kSiteBTags[tag].slug + "/";
        if (path == tagPath) return RenderSiteBTag(tag, 1);
        if (ParseNumberedPath(path, tagPath, ".html", number)) return RenderSiteBTag(tag, number);
    }
    // Site A albums: /ID is the first page, /ID/J page J.
    const size_t slash = path.find('/', 1);
    int page = 1;
    if (ParseNumberedPath(path.substr(0, slash), "/", "", number) &&
        (slash == std::string::npos || ParseNumberedPath(path.substr(slash), "/", "", page)) && number > 0) {
        return RenderSiteAAlbum(number, page);
    }
    return std::nullopt;
}

// --- serving ---

void DemoSites::Handle(const void* requestPointer, void* responsePointer, bool secure) {
    const auto& request = *static_cast<const httplib::Request*>(requestPointer);
    auto& response = *static_cast<httplib::Response*>(responsePointer);
    const std::string& path = request.path;

    LoggedRequest logged;
    logged.method = request.method;
    logged.target = request.target;
    logged.secure = secure;
    for (const auto& [name, value] : request.headers) {
        // httplib adds these itself; they were never sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
            continue;
        logged.headers.emplace_back(name, value);
    }

    if (const std::optional<ImageTarget> target = ParseImageTarget(path, secure)) {
        std::function<void(const std::string&)> hook;
        std::optional<ImageKind> kind;
        std::string referer;
        {
            std::lock_guard lock(m_mutex);
            referer = ImageRefererLocked(*target);
            m_requests.push_back(std::move(logged));
            hook = m_imageHook;
            kind = ImageKindLocked(*target);
            if (kind == ImageKind::BusyOnce && m_busyAnswered.insert(path).second) {
                response.status = 503;
                response.set_content("busy", "text/plain");
                return;
            }
        }
        if (hook) hook(path);
        if (!referer.empty() && request.get_header_value("Referer") != referer) {
            response.status = 403;
            response.set_content("forbidden", "text/plain");
            return;
        }
        if (!kind) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        auto bytes = std::make_shared<std::string>(ImageBytesFor(*target, *kind));
        const char* type = *kind == ImageKind::Png ? "image/png" : "image/jpeg";
        if (*kind == ImageKind::Oversized) {
            response.set_chunked_content_provider(type, [sent = size_t{0}](size_t, httplib::DataSink& sink) mutable {
                static const std::string chunk(64 * 1024, 'x');
                if (sent >= 64) {
                    sink.done();
                    return true;
                }
                ++sent;
                return sink.write(chunk.data(), chunk.size());
            });
            return;
        }
        if (*kind == ImageKind::Reset) {
            response.set_content_provider(bytes->size(), type,
                                          [bytes](size_t offset, size_t, httplib::DataSink& sink) {
                                              if (offset > 0) return false;  // drop the connection halfway
                                              sink.write(bytes->data(), bytes->size() / 2);
                                              return true;
                                          });
            return;
        }
        response.set_content(*bytes, type);
        return;
    }

    std::function<void(const std::string&)> pageHook;
    {
        std::lock_guard lock(m_mutex);
        pageHook = m_pageHook;
    }
    // Outside the lock: a hook that holds one page back must not hold every other request.
    if (pageHook) pageHook(path);
    std::lock_guard lock(m_mutex);
    m_requests.push_back(std::move(logged));
    std::string contentType = "text/html; charset=utf-8";
    if (std::optional<std::string> body = secure ? RenderTlsLocked(path) : RenderLocked(path, contentType)) {
        response.set_content(*body, contentType.c_str());
    } else {
        response.status = 404;
        response.set_content("not found", "text/plain");
    }
}

std::string DemoSites::Body(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    std::string contentType;
    if (std::optional<std::string> body = RenderLocked(path, contentType)) return *body;
    return RenderTlsLocked(path).value_or(std::string{});
}

std::optional<std::string> DemoSites::RenderLocked(const std::string& path, std::string& contentType) const {
    if (auto raw = m_rawPages.find(path); raw != m_rawPages.end()) {
        contentType = "text/html";
        return raw->second;
    }
    int number = 0;
    char tail[8] = {};
    const auto html = [&](const char* type, std::string body) {
        contentType = type;
        return std::optional<std::string>(std::move(body));
    };
    const auto isHtml = [&](const char* format) {
        return std::sscanf(path.c_str(), format, &number, tail) == 2 && std::string(tail) == "l";
    };
    if (path == "/photo/index/2") return html("text/html; charset=utf-8", RenderSiteCListing(1));
    if (std::sscanf(path.c_str(), "/photo/index/2-0-%d%1s", &number, tail) == 1) {
        return html("text/html; charset=utf-8", RenderSiteCListing(number));
    }
    if (isHtml("/photo/c/%d.htm%2s")) return html("text/html; charset=utf-8", RenderSiteCAlbum(number));
    if (path == "/dmmt") return html("text/html; charset=utf-8", RenderSiteDListing(1));
    if (std::sscanf(path.c_str(), "/dmmt/page/%d%1s", &number, tail) == 1) {
        return html("text/html; charset=utf-8", RenderSiteDListing(number));
    }
    if (isHtml("/dmmt/%d.htm%2s")) return html("text/html; charset=utf-8", RenderSiteDAlbum(number));
    if (isHtml("/meituxinshang/p%d.htm%2s")) return html("text/html", RenderSiteEListing(number));
    if (isHtml("/meituxinshang/a%d.htm%2s")) return html("text/html", RenderSiteEAlbum(number));
    return std::nullopt;
}

}  // namespace dorvane::demo
