#include "support/FixtureSites.h"

#include <httplib.h>

#include <strings.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "core/CodePage.h"
#include "core/Settings.h"
#include "support/FixtureImages.h"

namespace dorvane::test {

namespace {

constexpr const char* kResizeSuffix = "?image/auto-orient,1/resize,m_lfit,w_1440/quality,q_100";

const char* SiteLetter(Site site) {
    switch (site) {
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

// "/img/c/12/3.jpg" -> site C, album 12, image 3.
bool ParseImagePath(const std::string& path, Site& site, int& albumId, int& image) {
    char letter = 0;
    char extension[8] = {};
    if (std::sscanf(path.c_str(), "/img/%c/%d/%d.%7s", &letter, &albumId, &image, extension) != 4)
        return false;
    if (letter == 'c')
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

const char* FixtureSites::ResizeSuffix() { return kResizeSuffix; }

FixtureSites::FixtureSites(FixtureOptions options)
    : m_options(options), m_server(std::make_unique<httplib::Server>()) {
    for (Site site : {Site::C, Site::D, Site::E}) Model(site).pageCount = options.pageCount;
    m_server->Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        Handle(&request, &response);
    });
}

FixtureSites::~FixtureSites() { Stop(); }

bool FixtureSites::Start(int port) {
    if (port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (m_port <= 0) return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() only reaches a server that is already running, so wait for that before handing back.
    while (!m_server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void FixtureSites::Stop() {
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

std::string FixtureSites::Host() const { return "127.0.0.1:" + std::to_string(m_port); }

void FixtureSites::UseForSettings() const {
    for (Site site : {Site::C, Site::D, Site::E})
        MutableSettings().siteHosts[static_cast<int>(site)] = Host();
}

void FixtureSites::SetPageCount(Site site, int count) {
    std::lock_guard lock(m_mutex);
    Model(site).pageCount = count;
}

int FixtureSites::PageCount(Site site) const {
    std::lock_guard lock(m_mutex);
    return Model(site).pageCount;
}

void FixtureSites::SetListing(Site site, int page, std::vector<int> albumIds) {
    std::lock_guard lock(m_mutex);
    Model(site).listings[page] = std::move(albumIds);
}

std::vector<int> FixtureSites::Listing(Site site, int page) const {
    std::lock_guard lock(m_mutex);
    return ListingLocked(site, page);
}

std::vector<int> FixtureSites::ListingLocked(Site site, int page) const {
    const SiteModel& model = Model(site);
    if (auto found = model.listings.find(page); found != model.listings.end()) return found->second;
    std::vector<int> ids;
    if (page < 1 || page > std::max(model.pageCount, 1)) return ids;
    for (int k = 1; k <= m_options.albumsPerPage; ++k)
        ids.push_back((page - 1) * m_options.albumsPerPage + k);
    return ids;
}

void FixtureSites::SetAlbum(Site site, FixtureAlbum album) {
    std::lock_guard lock(m_mutex);
    Model(site).albums[album.id] = std::move(album);
}

FixtureAlbum FixtureSites::Album(Site site, int id) const {
    std::lock_guard lock(m_mutex);
    return AlbumLocked(site, id);
}

FixtureAlbum FixtureSites::AlbumLocked(Site site, int id) const {
    const SiteModel& model = Model(site);
    if (auto found = model.albums.find(id); found != model.albums.end()) return found->second;
    FixtureAlbum album;
    album.id = id;
    album.titleUtf8 = DefaultTitle(site, id);
    album.images.assign(static_cast<size_t>(std::max(m_options.imagesPerAlbum, 0)), ImageKind::Jpeg);
    return album;
}

void FixtureSites::SetRawPage(const std::string& path, std::string body) {
    std::lock_guard lock(m_mutex);
    m_rawPages[path] = std::move(body);
}

void FixtureSites::SetSiteEMetaCharset(bool present) {
    std::lock_guard lock(m_mutex);
    m_options.siteEMetaCharset = present;
}

std::string FixtureSites::ImageUrl(Site site, int albumId, int image) const {
    const FixtureAlbum album = Album(site, albumId);
    const bool png = image >= 1 && image <= static_cast<int>(album.images.size()) &&
                     album.images[static_cast<size_t>(image - 1)] == ImageKind::Png;
    return Home() + "/img/" + SiteLetter(site) + "/" + std::to_string(albumId) + "/" + std::to_string(image) +
           (png ? ".png" : ".jpg");
}

std::string FixtureSites::ImageBytes(Site site, int albumId, int image) const {
    const FixtureAlbum album = Album(site, albumId);
    if (image < 1 || image > static_cast<int>(album.images.size())) return {};
    switch (album.images[static_cast<size_t>(image - 1)]) {
        case ImageKind::Jpeg:
        case ImageKind::Reset:
            return MakeJpeg(ImageSeed(site, albumId, image), m_options.imageBytes);
        case ImageKind::Png:
            return MakePng(ImageSeed(site, albumId, image));
        case ImageKind::NotFound:
            return {};
    }
    return {};
}

std::string FixtureSites::ListedTitle(Site site, int albumId) const {
    std::string title = Album(site, albumId).titleUtf8;
    if (site == Site::C) title.erase(std::remove(title.begin(), title.end(), ';'), title.end());
    return ToGbk(title);
}

std::string FixtureSites::AlbumUrl(Site site, int albumId) const {
    const std::string id = std::to_string(albumId);
    switch (site) {
        case Site::C:
            return Home() + "/photo/c/" + id + ".html";
        case Site::D:
            return Home() + "/dmmt/" + id + ".html";
        default:
            return Home() + "/meituxinshang/a" + id + ".html";
    }
}

std::vector<LoggedRequest> FixtureSites::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<LoggedRequest> FixtureSites::RequestsTo(const std::string& targetPrefix) const {
    std::vector<LoggedRequest> matching;
    for (const LoggedRequest& request : Requests()) {
        if (request.target.rfind(targetPrefix, 0) == 0) matching.push_back(request);
    }
    return matching;
}

void FixtureSites::ClearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void FixtureSites::SetImageHook(std::function<void(const std::string& path)> hook) {
    std::lock_guard lock(m_mutex);
    m_imageHook = std::move(hook);
}

// --- pages ---

std::string FixtureSites::RenderSiteCListing(int page) const {
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

std::string FixtureSites::RenderSiteCAlbum(int id) const {
    const FixtureAlbum album = AlbumLocked(Site::C, id);
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

std::string FixtureSites::RenderSiteDListing(int page) const {
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

std::string FixtureSites::RenderSiteDAlbum(int id) const {
    const FixtureAlbum album = AlbumLocked(Site::D, id);
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

std::string FixtureSites::RenderSiteEListing(int page) const {
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

std::string FixtureSites::RenderSiteEAlbum(int id) const {
    const FixtureAlbum album = AlbumLocked(Site::E, id);
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

std::string FixtureSites::ImageUrlLocked(Site site, const FixtureAlbum& album, int image) const {
    const bool png = album.images[static_cast<size_t>(image - 1)] == ImageKind::Png;
    return Home() + "/img/" + SiteLetter(site) + "/" + std::to_string(album.id) + "/" +
           std::to_string(image) + (png ? ".png" : ".jpg");
}

// --- serving ---

void FixtureSites::Handle(const void* requestPointer, void* responsePointer) {
    const auto& request = *static_cast<const httplib::Request*>(requestPointer);
    auto& response = *static_cast<httplib::Response*>(responsePointer);
    const std::string& path = request.path;

    LoggedRequest logged;
    logged.method = request.method;
    logged.target = request.target;
    for (const auto& [name, value] : request.headers) {
        // httplib adds these itself; they were never sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
            continue;
        logged.headers.emplace_back(name, value);
    }

    Site site{};
    int albumId = 0;
    int image = 0;
    if (ParseImagePath(path, site, albumId, image)) {
        std::function<void(const std::string&)> hook;
        FixtureAlbum album;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(std::move(logged));
            hook = m_imageHook;
            album = AlbumLocked(site, albumId);
        }
        if (hook) hook(path);
        if (image < 1 || image > static_cast<int>(album.images.size()) ||
            album.images[static_cast<size_t>(image - 1)] == ImageKind::NotFound) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        const ImageKind kind = album.images[static_cast<size_t>(image - 1)];
        auto bytes = std::make_shared<std::string>(ImageBytes(site, albumId, image));
        const char* type = kind == ImageKind::Png ? "image/png" : "image/jpeg";
        if (kind == ImageKind::Reset) {
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

    std::lock_guard lock(m_mutex);
    m_requests.push_back(std::move(logged));
    std::string contentType;
    if (std::optional<std::string> body = RenderLocked(path, contentType)) {
        response.set_content(*body, contentType.c_str());
    } else {
        response.status = 404;
        response.set_content("not found", "text/plain");
    }
}

std::string FixtureSites::Body(const std::string& path) const {
    std::lock_guard lock(m_mutex);
    std::string contentType;
    return RenderLocked(path, contentType).value_or(std::string{});
}

std::optional<std::string> FixtureSites::RenderLocked(const std::string& path,
                                                      std::string& contentType) const {
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

}  // namespace dorvane::test
