#pragma once
// Everything the program talks to, on local ports, for a demo that works offline: the five gallery sites
// (A and B over HTTPS with a certificate made at start), the notice page and the catalogue server.
#include <memory>

#include "core/Settings.h"
#include "demo/CatalogueServer.h"
#include "demo/DemoSites.h"

namespace dorvane::demo {

// The notice documents the demo serves: one announcing a newer version, one announcing this one.
inline constexpr const char* kNewerNotice = "dorvane-demo";
inline constexpr const char* kCurrentNotice = "dorvane-current";

class DemoServer {
public:
    DemoServer();
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Starts every server on free ports (or the given ones); false when one cannot listen.
    bool Start(int httpPort = 0, int httpsPort = 0, int cataloguePort = 0);
    void Stop();

    int HttpPort() const;
    int HttpsPort() const;
    int CataloguePort() const { return m_catalogue.Port(); }

    // Every host of the settings pointed at these servers, the notice at the newer version's document.
    void PointAt(Settings& settings) const;

    DemoSites& Sites() { return *m_sites; }

private:
    std::unique_ptr<DemoSites> m_sites;
    CatalogueServer m_catalogue;
};

}  // namespace dorvane::demo
