// The fixture gallery sites as a program of its own, so Dorvane can be built against them and tried by
// hand: prints the ports and addresses it serves on, then serves until it is killed. Sites C, D and E are
// served over HTTP on --port, Sites A and B over HTTPS (a self-signed certificate) on --tls-port.
//
//   dorvane_fixture_server [--port N] [--tls-port N] [--pages N] [--albums N] [--images N]
//                          [--image-bytes N] [--require-referer 0|1]
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/FixtureSites.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: dorvane_fixture_server [--port N] [--tls-port N] [--pages N] [--albums N] "
                 "[--images N] [--image-bytes N] [--require-referer 0|1]\n");
}

}  // namespace

int main(int argc, char** argv) {
    dorvane::test::FixtureOptions options;
    int port = 0;
    int tlsPort = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            Usage();
            return 2;
        }
        const long value = std::strtol(argv[++i], nullptr, 10);
        if (option == "--port")
            port = static_cast<int>(value);
        else if (option == "--tls-port")
            tlsPort = static_cast<int>(value);
        else if (option == "--pages")
            options.pageCount = static_cast<int>(value);
        else if (option == "--albums")
            options.albumsPerPage = static_cast<int>(value);
        else if (option == "--images")
            options.imagesPerAlbum = static_cast<int>(value);
        else if (option == "--image-bytes")
            options.imageBytes = static_cast<size_t>(value);
        else if (option == "--require-referer")
            options.requireReferer = value != 0;
        else {
            Usage();
            return 2;
        }
    }

    // Block the ending signals before the server's threads start, then wait for one of them here.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    dorvane::test::FixtureSites sites(options);
    if (!sites.Start(port, tlsPort)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d and 127.0.0.1:%d\n", port, tlsPort);
        return 1;
    }
    // The first line stays the HTTP port alone, for scripts that read it.
    std::printf("%d\n", sites.Port());
    std::printf("Site C: %s/photo/index/2\nSite D: %s/dmmt\nSite E: %s/meituxinshang/p1.html\n",
                sites.Home().c_str(), sites.Home().c_str(), sites.Home().c_str());
    std::printf("Site A: %s (host %s)\nSite B: %s (host %s)\n", sites.HomeA().c_str(),
                sites.TlsHost().c_str(), sites.HomeB().c_str(), sites.TlsHost().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    sites.Stop();
    return 0;
}
