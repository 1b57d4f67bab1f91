#include "net/HttpObjectFetch.h"

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "core/TextOps.h"
#include "core/Worker.h"
#include "net/Codecs.h"
#include "net/FetchRequests.h"
#include "net/Headers.h"

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

void ApplyTimeouts(FetchRequest& request, int timeoutSeconds) {
    if (timeoutSeconds == -1) {
        // The request object's own defaults: 60 s to connect, 30 s for sending and receiving.
        request.connectTimeoutMs = 60000;
        request.stallTimeoutMs = 30000;
        return;
    }
    long timeoutMs =
        timeoutSeconds < 1 ? 15000 : static_cast<long>(std::min(timeoutSeconds, INT_MAX / 1000)) * 1000;
    request.connectTimeoutMs = timeoutMs;
    request.stallTimeoutMs = timeoutMs;
}

void AddDefaultLines(Text& headers, const Text& url, HttpMethod method) {
    for (const auto& header : kDefaultHeaders) {
        if (header.postOnly && method != HttpMethod::Post) continue;
        if (TextFind(headers, header.probe, 1, true) != -1) continue;
        headers += "\r\n";
        headers += header.line ? Text(header.line) : "Referer: " + url;
    }
}

void ApplyCredentials(FetchRequest& request, const Text& user, const Text& password, int credentialFlags) {
    if (request.proxy.empty() || user.empty()) return;
    if (credentialFlags == 1) {
        request.proxyUser = user;
        request.proxyPassword = password;
        // Kept for the proxy alone: the origin server never sees the proxy's credentials.
        request.proxyHeaderLines.push_back("Proxy-Authorization: Basic " +
                                           Base64Encode(user + ":" + password));
    } else if (credentialFlags == 0) {
        // 0 names the server as the target of the credentials.
        request.serverUser = user;
        request.serverPassword = password;
    }
}

// The header lines as the request object would send them: the cookie text first (when supplied), then
// the caller's block line by line, then the kept object's cookies when no cookie line was set.
std::vector<std::string> RequestLines(const Text& headers, const std::optional<Text>& sendCookies,
                                      const HttpRequestObject* requestObject) {
    RequestHeaders sent;
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
    if (requestObject && !requestObject->cookies.empty() && !sent.Has("Cookie")) {
        sent.Set("Cookie", requestObject->cookies);
    }
    return sent.Lines();
}

}  // namespace

FetchRequest ObjectFetchRequest(const Text& url, ObjectRequestOptions options, Text& headersInOut) {
    FetchRequest request;
    request.url = url;
    request.method = options.method;
    ApplyTimeouts(request, options.timeoutSeconds);
    request.proxy = std::move(options.proxy);
    request.followRedirects = !options.noRedirect;
    if (options.addDefaultHeaders) AddDefaultLines(headersInOut, url, options.method);
    if (options.normaliseHeaders) headersInOut = BuildHeaderBlock(headersInOut);
    ApplyCredentials(request, options.proxyUser, options.proxyPassword, options.credentialFlags);
    request.headerLines = RequestLines(headersInOut, options.sendCookies, options.requestObject);
    request.body = options.postBytes.empty() ? std::move(options.postText) : std::move(options.postBytes);
    return request;
}

Bytes HttpObjectFetch(const Text& url, HttpMethod method, const Text& postText,
                      const std::optional<Text>& sendCookies, Out<Text> newCookies, Out<Text> extraHeaders,
                      Out<Text> responseHeaders, Out<int> status, bool noRedirect, const Bytes& postBytes,
                      const Text& proxy, int timeoutSeconds, const Text& proxyUser, const Text& proxyPassword,
                      int credentialFlags, HttpRequestObject* requestObject, bool mergeCookies,
                      bool addDefaultHeaders, bool normaliseHeaders) {
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    FetchResult result = PerformFetch(ObjectFetchRequest(url,
                                                         {.method = method,
                                                          .postText = postText,
                                                          .postBytes = postBytes,
                                                          .sendCookies = sendCookies,
                                                          .noRedirect = noRedirect,
                                                          .proxy = proxy,
                                                          .proxyUser = proxyUser,
                                                          .proxyPassword = proxyPassword,
                                                          .credentialFlags = credentialFlags,
                                                          .timeoutSeconds = timeoutSeconds,
                                                          .requestObject = requestObject,
                                                          .addDefaultHeaders = addDefaultHeaders,
                                                          .normaliseHeaders = normaliseHeaders},
                                                         *extraHeaders));
    bool complete = result.outcome == FetchOutcome::Complete;
    Text allHeaders = complete ? AllResponseHeaders(result.headerBlock) : Text();
    *status = complete ? result.status : 0;

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
