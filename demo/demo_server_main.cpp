// The demo sites as a program of their own: the five gallery sites, the notice page and the catalogue
// server on local ports, until it is ended (Ctrl-C). Prints the command line that points Dorvane at them.
//
//   dorvane-demo-server [--port N] [--tls-port N] [--catalogue-port N]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/DemoServer.h"

namespace {

void Usage() {
    std::fprintf(stderr, "usage: dorvane-demo-server [--port N] [--tls-port N] [--catalogue-port N]\n");
}

}  // namespace

int main(int argc, char** argv) {
    int ports[3] = {0, 0, 0};
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const int slot = option == "--port"             ? 0
                         : option == "--tls-port"       ? 1
                         : option == "--catalogue-port" ? 2
                                                        : -1;
        char* end = nullptr;
        const long value = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : -1;
        if (slot < 0 || i + 1 >= argc || *end != '\0' || value < 0 || value > 65535) {
            Usage();
            return 2;
        }
        ports[slot] = static_cast<int>(value);
        ++i;
    }

    // Block the ending signals before the servers' threads start, then wait for one of them here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    dorvane::demo::DemoServer server;
    if (!server.Start(ports[0], ports[1], ports[2])) {
        std::fprintf(stderr, "dorvane-demo-server: cannot listen on the ports asked for\n");
        return 1;
    }
    dorvane::Settings settings;
    server.PointAt(settings);
    std::printf("demo sites: HTTP 127.0.0.1:%d, HTTPS 127.0.0.1:%d, catalogue 127.0.0.1:%d\n",
                server.HttpPort(), server.HttpsPort(), server.CataloguePort());
    std::printf("point Dorvane at them with:\n  dorvane");
    for (const auto& [site, host] : settings.siteHosts) std::printf(" --set sites/%s=%s", site.c_str(), host.c_str());
    std::printf(
        " --set notice/host=%s --set notice/document=%s --set catalogue/host=%s --set catalogue/port=%d\n",
        settings.noticeHost.c_str(), settings.noticeDocument.c_str(), settings.catalogueHost.c_str(),
        settings.cataloguePort);
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    return 0;
}
