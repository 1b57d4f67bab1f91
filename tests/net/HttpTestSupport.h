#pragma once
// Helpers shared by the HTTP client tests.
#include <string>
#include <vector>

#include "support/RawServer.h"

namespace dorvane::test {

// The request's header lines without Host and Content-Length, which libcurl writes itself.
inline std::vector<std::string> CallerLines(const RawRequest& request) {
    std::vector<std::string> lines;
    for (const auto& line : request.headerLines) {
        if (line.rfind("Host:", 0) == 0 || line.rfind("Content-Length:", 0) == 0) continue;
        lines.push_back(line);
    }
    return lines;
}

// A raw server that answers every request with "200 OK" and the given body.
inline RawServer::Handler Answer(const std::string& body, std::vector<std::string> headerLines = {}) {
    return [body, headerLines](const RawRequest&, RawConnection& connection) {
        connection.Respond("HTTP/1.1 200 OK", headerLines, body);
    };
}

}  // namespace dorvane::test
