#include "net/HttpObjectFetch.h"

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/TextOps.h"
#include "core/Worker.h"
#include "net/Codecs.h"
#include "net/CurlTransfer.h"
#include "net/Headers.h"
#include "net/HttpFetch.h"

namespace dorvane {

namespace {

struct DefaultHeader {
    const char* probe;
    const char* line;  // empty line text: the Referer, built from the request's own address
    bool postOnly;
};

constexpr DefaultHeader kDefaultHeaders[] = {
    {"Accept:", "Accept: */*", false},
    {"Referer:", nullptr, false},
    {"Accept-Language:", "Accept-Language: zh-cn", false},
    {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
};

// The request headers as the request object keeps them: one value per name (case-insensitive), a later
// setting replaces the earlier value in place, an empty value removes the header.
class RequestHeaders {
public:
    void Set(const Text& name, const Text& value) {
        if (name.empty()) return;  // the object refuses a header without a name
        auto it = std::find_if(m_items.begin(), m_items.end(), [&](const auto& item) {
            return TextCompareCase(item.first, name, false) == 0;
        });
        if (value.empty()) {
            if (it != m_items.end()) m_items.erase(it);
        } else if (it != m_items.end()) {
            it->second = value;
        } else {
            m_items.emplace_back(name, value);
        }
    }
    bool Has(const Text& name) const {
        return std::any_of(m_items.begin(), m_items.end(),
                           [&](const auto& item) { return TextCompareCase(item.first, name, false) == 0; });
    }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        lines.reserve(m_items.size());
        for (const auto& [name, value] : m_items) lines.push_back(name + ": " + value);
        return lines;
    }

private:
    std::vector<std::pair<Text, Text>> m_items;
};

Text LineName(const Text& line) {
    size_t colon = line.find(':');
    return colon == std::string::npos ? Text() : TextTrim(line.substr(0, colon));
}

Text LineValue(const Text& line) {
    size_t colon = line.find(':');
    return colon == std::string::npos ? Text() : TextTrim(line.substr(colon + 1));
}

// The header lines without the status line, as the request object lists them.
Text AllResponseHeaders(const std::string& headerBlock) {
    size_t end = headerBlock.find("\r\n");
    return end == std::string::npos ? Text() : headerBlock.substr(end + 2);
}

}  // namespace

Bytes HttpObjectFetch(const Text& url, int method, const Text& postText,
                      const std::optional<Text>& sendCookies, Out<Text> newCookies, Out<Text> extraHeaders,
                      Out<Text> responseHeaders, Out<int> status, bool noRedirect, const Bytes& postBytes,
                      const Text& proxy, int timeoutSeconds, const Text& proxyUser, const Text& proxyPassword,
                      int credentialFlags, HttpRequestObject* requestObject, bool mergeCookies,
                      bool addDefaultHeaders, bool normaliseHeaders) {
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    if (method < 0 || method > 7) method = Get;

    TransferRequest request;
    request.url = url;
    request.verb = HttpVerb(method);
    if (timeoutSeconds == -1) {
        // The request object's own defaults: 60 s to connect, 30 s for sending and receiving.
        request.connectTimeoutMs = 60000;
        request.stallTimeoutMs = 30000;
    } else {
        long timeoutMs =
            timeoutSeconds < 1 ? 15000 : static_cast<long>(std::min(timeoutSeconds, INT_MAX / 1000)) * 1000;
        request.connectTimeoutMs = timeoutMs;
        request.stallTimeoutMs = timeoutMs;
    }
    request.proxy = proxy;
    request.followRedirects = !noRedirect;

    Text& headers = *extraHeaders;
    if (addDefaultHeaders) {
        for (const auto& header : kDefaultHeaders) {
            if (header.postOnly && method != Post) continue;
            if (TextFind(headers, header.probe, 1, true) != -1) continue;
            headers += "\r\n";
            headers += header.line ? Text(header.line) : "Referer: " + url;
        }
    }
    if (normaliseHeaders) headers = BuildHeaderBlock(headers);

    RequestHeaders sent;
    if (!proxy.empty() && !proxyUser.empty()) {
        if (credentialFlags == 1) {
            request.proxyUser = proxyUser;
            request.proxyPassword = proxyPassword;
            // Kept for the proxy alone: the origin server never sees the proxy's credentials.
            request.proxyHeaderLines.push_back("Proxy-Authorization: Basic " +
                                               Base64Encode(proxyUser + ":" + proxyPassword));
        } else if (credentialFlags == 0) {
            // 0 names the server as the target of the credentials.
            request.serverUser = proxyUser;
            request.serverPassword = proxyPassword;
        }
    }
    if (sendCookies) {
        Text cookies = *sendCookies;
        if (!cookies.empty() && TextFind(cookies, "Cookie:", 1, true) != -1) {
            cookies = TextReplace(cookies, "Cookie:", {}, 1, -1, false);
        }
        sent.Set("Cookie", cookies);
    }
    if (headers.find("\r\n") == std::string::npos) {
        sent.Set(LineName(headers), LineValue(headers));
    } else {
        for (const Text& line : TextSplit(headers, "\r\n")) {
            if (line.empty()) continue;
            Text name = LineName(line);
            Text value = LineValue(line);
            if (name == "Connection" && value == "keep-alive") continue;
            sent.Set(name, value);
        }
    }
    // A kept request object sends the cookies it collected when no cookie line was set for this call.
    if (requestObject && !requestObject->cookies.empty() && !sent.Has("Cookie")) {
        sent.Set("Cookie", requestObject->cookies);
    }
    request.headerLines = sent.Lines();
    request.body = postBytes.empty() ? &postText : &postBytes;

    TransferResult result = PerformTransfer(request);
    bool complete = result.outcome == TransferOutcome::Complete;
    Text allHeaders = complete ? AllResponseHeaders(result.headerBlock) : Text();
    *status = complete ? static_cast<int>(result.status) : 0;

    Text cookies = ExtractSetCookies(allHeaders);
    if (cookies.size() >= 2 && cookies.compare(cookies.size() - 2, 2, "; ") == 0)
        cookies.resize(cookies.size() - 2);
    if (requestObject && !cookies.empty())
        requestObject->cookies = MergeCookies(requestObject->cookies, cookies);
    if (mergeCookies && sendCookies) cookies = MergeCookies(*sendCookies, cookies);
    *newCookies = std::move(cookies);
    *responseHeaders = std::move(allHeaders);
    // A body that stopped half way is a failed exchange: no partial image is handed on.
    return complete ? std::move(result.body) : Bytes();
}

}  // namespace dorvane
