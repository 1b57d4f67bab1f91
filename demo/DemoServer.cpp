#include "demo/DemoServer.h"

#include "collectors/SiteRegistry.h"

#include <string>

namespace dorvane::demo {

namespace {

// The items of a notice page stand between `">【` and `】</p><p`: the version first, the address last.
std::string NoticePage(const std::string& version) {
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Dorvane</title></head><body>\n";
    for (const std::string& item : {"V" + version, std::string("演示：新版本加入了更多站点与更稳定的下载。"),
                                    std::string("演示：这是本地演示服务器发布的公告，并不是真的更新。"),
                                    std::string("https://dorvane.example/download")}) {
        page += "<p class=\"item\">【" + item + "】</p><p class=\"gap\"></p>\n";
    }
    return page + "</body></html>\n";
}

DemoOptions Content() {
    DemoOptions options;
    options.pageCount = 5;
    options.albumsPerPage = 8;
    options.imagesPerAlbum = 6;
    options.imageBytes = 60 * 1024;
    options.requireReferer = true;  // as the real sites guard their images
    return options;
}

}  // namespace

DemoServer::DemoServer() : m_sites(std::make_unique<DemoSites>(Content())) {
    m_sites->SetRawPage(std::string("/docs/") + kNewerNotice + "/read", NoticePage("5.2.300101"));
    m_sites->SetRawPage(std::string("/docs/") + kCurrentNotice + "/read", NoticePage("5.2.200608"));
}

DemoServer::~DemoServer() { Stop(); }

bool DemoServer::Start(int httpPort, int httpsPort, int cataloguePort) {
    if (!m_sites->Start(httpPort, httpsPort)) return false;
    if (!m_catalogue.Start(cataloguePort)) {
        m_sites->Stop();
        return false;
    }
    return true;
}

void DemoServer::Stop() {
    m_catalogue.Stop();
    m_sites->Stop();
}

int DemoServer::HttpPort() const { return m_sites->Port(); }
int DemoServer::HttpsPort() const { return m_sites->TlsPort(); }

void DemoServer::PointAt(Settings& settings) const {
    m_sites->PointAt(settings);
    settings.noticeHost = m_sites->TlsHost();
    settings.noticeDocument = kNewerNotice;
    settings.catalogueHost = "127.0.0.1";
    settings.cataloguePort = m_catalogue.Port();
}

}  // namespace dorvane::demo
