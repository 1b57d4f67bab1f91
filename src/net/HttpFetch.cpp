#include "net/HttpFetch.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/CodePage.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "net/CurlTransfer.h"
#include "net/FetchRequests.h"
#include "net/Headers.h"
#include "net/PageDecoding.h"

namespace dorvane {

namespace {

struct DefaultHeader {
    const char* probe;
    const char* line;
    bool postOnly;
};

// Considered in this order; each is appended when a case-insensitive search does not find its probe.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*", false},
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312", false},
    {"Accept-Language: ", "Accept-Language: zh-cn", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
    {"Cache-Control: ", "Cache-Control: no-cache", false},
};

const char* const kCrlf = "\r\n";

Text BuildRequestBlock(HttpMethod method, const Text& sendCookies, const Text& extraHeaders,
                       bool addDefaultHeaders, bool normaliseHeaders) {
    Text block = extraHeaders.empty() ? Text() : extraHeaders + kCrlf;
    if (addDefaultHeaders) {
        for (const auto& header : kDefaultHeaders) {
            if (header.postOnly && method != HttpMethod::Post) continue;
            if (TextFind(block, header.probe, 1, true) == -1) block += Text(header.line) + kCrlf;
        }
    }
    if (normaliseHeaders) block = BuildHeaderBlock(block);
    if (TextFind(block, "Connection") != -1 && GetHeaderValue(block, "Connection") == "keep-alive") {
        block = TextReplace(block, Text("Connection: keep-alive") + kCrlf, {}, 1, -1, true);
    }
    // A cookie line the caller wrote always wins over sendCookies.
    if (TextFind(block, "Cookie:", 1, true) == -1 && !sendCookies.empty()) {
        if (TextFind(sendCookies, "Cookie:", 1, true) != -1) {
            block += kCrlf + sendCookies + kCrlf;
        } else {
            block += kCrlf + Text("Cookie: ") + sendCookies + kCrlf;
        }
    }
    return block;
}

std::vector<std::string> SplitLines(const Text& block) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos <= block.size()) {
        size_t end = block.find(kCrlf, pos);
        if (end == std::string::npos) end = block.size();
        if (end > pos) lines.push_back(block.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// The last "Location: " line of the block (a later one overwrites an earlier one); false when none.
bool FindLocation(const Text& headers, Text& location) {
    bool found = false;
    size_t pos = 0;
    while (pos < headers.size()) {
        size_t end = headers.find(kCrlf, pos);
        if (end == std::string::npos) end = headers.size();
        if (end - pos >= 10 && TextCompareCase(headers.substr(pos, 10), "Location: ", false) == 0) {
            location = headers.substr(pos + 10, end - pos - 10);
            found = true;
        }
        pos = end + 2;
    }
    return found;
}

// The numbered message of an exchange that did not complete; nullptr for a complete one.
const char* FailureMessage(const FetchResult& result) {
    FetchOutcome outcome = result.outcome == FetchOutcome::Stopped ? result.stoppedDuring : result.outcome;
    switch (outcome) {
        case FetchOutcome::BadAddress:
            return "701 解析URL地址失败!";
        case FetchOutcome::BadHeader:
            return "710 设置协议头失败!";
        case FetchOutcome::ConnectFailed:
            return "711 发送请求失败!";
        case FetchOutcome::NoResponse:
            return "712 服务器未响应!";
        case FetchOutcome::BodyCutOff:
        case FetchOutcome::TooLarge:
            return "713 读取数据失败!";
        case FetchOutcome::Complete:
        case FetchOutcome::Stopped:
            break;
    }
    return nullptr;
}

}  // namespace

FetchRequest PageFetchRequest(const Text& url, PageRequestOptions options) {
    FetchRequest request;
    request.url = url;
    request.method = options.method;
    long timeoutMs = options.timeoutSeconds > 0
                         ? static_cast<long>(std::min(options.timeoutSeconds, INT_MAX / 1000)) * 1000
                         : 30000;
    request.connectTimeoutMs = timeoutMs;
    request.stallTimeoutMs = timeoutMs;
    request.followRedirects = !options.noRedirect;
    // Credentials count only when both halves are given.
    if (!options.serverUser.empty() && !options.serverPassword.empty()) {
        request.serverUser = std::move(options.serverUser);
        request.serverPassword = std::move(options.serverPassword);
    }
    if (!options.proxy.empty() && !options.proxyUser.empty() && !options.proxyPassword.empty()) {
        request.proxyUser = std::move(options.proxyUser);
        request.proxyPassword = std::move(options.proxyPassword);
    }
    request.proxy = std::move(options.proxy);
    request.headerLines =
        SplitLines(BuildRequestBlock(options.method, options.sendCookies, options.extraHeaders,
                                     options.addDefaultHeaders, options.normaliseHeaders));
    request.body = options.postBytes.empty() ? std::move(options.postText) : std::move(options.postBytes);
    return request;
}

Text HttpFetch(const Text& url, HttpMethod method, const Text& postText, const Text& sendCookies,
               Out<Text> newCookies, const Text& extraHeaders, Out<Text> responseHeaders, bool noRedirect,
               const Text& serverUser, const Text& serverPassword, const Text& proxy, const Text& proxyUser,
               const Text& proxyPassword, int timeoutSeconds, Out<Text> location, Out<Text> statusText,
               Out<Bytes> responseBytes, bool mergeCookies, bool addDefaultHeaders, const Bytes& postBytes,
               bool normaliseHeaders) {
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    if (!CheckHttpUrl(WireUrl(url))) {
        *statusText = Gbk("701 解析URL地址失败!");
        return {};
    }
    FetchResult result = PerformFetch(PageFetchRequest(url, {.method = method,
                                                             .postText = postText,
                                                             .postBytes = postBytes,
                                                             .sendCookies = sendCookies,
                                                             .extraHeaders = extraHeaders,
                                                             .noRedirect = noRedirect,
                                                             .serverUser = serverUser,
                                                             .serverPassword = serverPassword,
                                                             .proxy = proxy,
                                                             .proxyUser = proxyUser,
                                                             .proxyPassword = proxyPassword,
                                                             .timeoutSeconds = timeoutSeconds,
                                                             .addDefaultHeaders = addDefaultHeaders,
                                                             .normaliseHeaders = normaliseHeaders}));
    if (const char* failure = FailureMessage(result)) {
        *statusText = Gbk(failure);
        // A body that stopped half way on its own still gives the part read so far, and the status line
        // replaces this message; every other failure (a stop included) gives nothing.
        if (result.outcome != FetchOutcome::BodyCutOff) return {};
    }
    if (result.headerBlock.empty()) return {};

    *statusText = StatusTextOf(result.headerBlock);
    Text cookies = ExtractSetCookies(result.headerBlock, *newCookies);
    Text found;
    if (FindLocation(result.headerBlock, found)) *location = found;
    if (cookies.size() >= 2 && cookies.compare(cookies.size() - 2, 2, "; ") == 0)
        cookies.resize(cookies.size() - 2);
    if (mergeCookies && !sendCookies.empty()) cookies = MergeCookies(sendCookies, cookies);
    *newCookies = std::move(cookies);

    // The body is held once; the result text is a second copy only when the caller also wants the bytes.
    Text text = responseBytes.Bound() ? DecodePageBody(result.body, result.headerBlock)
                                      : DecodeOwnedPageBody(std::move(result.body), result.headerBlock);
    if (responseBytes.Bound()) *responseBytes = std::move(result.body);
    *responseHeaders = std::move(result.headerBlock);
    return text;
}

}  // namespace dorvane
