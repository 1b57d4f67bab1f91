#include "net/HttpFetch.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/CodePage.h"
#include "core/TextOps.h"
#include "core/Worker.h"
#include "net/CurlTransfer.h"
#include "net/Headers.h"
#include "text/RegexObject.h"

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

Text BuildRequestBlock(int method, const Text& sendCookies, const Text& extraHeaders, bool addDefaultHeaders,
                       bool normaliseHeaders) {
    Text block = extraHeaders.empty() ? Text() : extraHeaders + kCrlf;
    if (addDefaultHeaders) {
        for (const auto& header : kDefaultHeaders) {
            if (header.postOnly && method != Post) continue;
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

// The charset a page names in a meta tag within its first 1024 bytes; empty when none.
Text DeclaredCharset(const Text& text) {
    RegexObject regex;
    if (!regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", text.substr(0, 1024))) return {};
    if (regex.MatchCount() < 1) return {};
    return regex.SubMatchText(1, 1);
}

void CutAtZero(Text& text) {
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
}

}  // namespace

const char* HttpVerb(int method) {
    static const char* const kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                         "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return method >= 0 && method <= 7 ? kVerbs[method] : "GET";
}

Text HttpFetch(const Text& url, int method, const Text& postText, const Text& sendCookies,
               Out<Text> newCookies, const Text& extraHeaders, Out<Text> responseHeaders, bool noRedirect,
               const Text& serverUser, const Text& serverPassword, const Text& proxy, const Text& proxyUser,
               const Text& proxyPassword, int timeoutSeconds, Out<Text> location, Out<Text> statusText,
               Out<Bytes> responseBytes, bool mergeCookies, bool addDefaultHeaders, const Bytes& postBytes,
               bool normaliseHeaders) {
    // A paused worker waits here and a stopped one unwinds before anything goes on the wire.
    WorkerCheckPoint();
    auto fail = [&statusText](const char* message) {
        *statusText = Gbk(message);
        return Text();
    };
    if (!CheckHttpUrl(WireUrl(url))) return fail("701 解析URL地址失败!");
    if (method < 0 || method > 7) method = Get;

    TransferRequest request;
    request.url = url;
    request.verb = HttpVerb(method);
    long timeoutMs =
        timeoutSeconds > 0 ? static_cast<long>(std::min(timeoutSeconds, INT_MAX / 1000)) * 1000 : 30000;
    request.connectTimeoutMs = timeoutMs;
    request.stallTimeoutMs = timeoutMs;
    request.followRedirects = !noRedirect;
    request.proxy = proxy;
    // Credentials count only when both halves are given.
    if (!serverUser.empty() && !serverPassword.empty()) {
        request.serverUser = serverUser;
        request.serverPassword = serverPassword;
    }
    if (!proxy.empty() && !proxyUser.empty() && !proxyPassword.empty()) {
        request.proxyUser = proxyUser;
        request.proxyPassword = proxyPassword;
    }
    Text block = BuildRequestBlock(method, sendCookies, extraHeaders, addDefaultHeaders, normaliseHeaders);
    request.headerLines = SplitLines(block);
    request.body = postBytes.empty() ? &postText : &postBytes;

    TransferResult result = PerformTransfer(request);
    switch (result.outcome) {
        case TransferOutcome::BadUrl:
            return fail("701 解析URL地址失败!");
        case TransferOutcome::BadHeader:
            return fail("710 设置协议头失败!");
        case TransferOutcome::ConnectFailed:
            return fail("711 发送请求失败!");
        case TransferOutcome::NoResponse:
            return fail("712 服务器未响应!");
        case TransferOutcome::BodyFailed:
            // A stopped worker gets no partial page; otherwise the part read so far goes on below and the
            // status line replaces this message.
            if (result.aborted) return fail("713 读取数据失败!");
            *statusText = Gbk("713 读取数据失败!");
            break;
        case TransferOutcome::Complete:
            break;
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
    *responseHeaders = std::move(result.headerBlock);

    // The body is held once; the result text is a second copy only when the caller also wants the bytes.
    Bytes& body = result.body;
    size_t zero = std::min(body.find('\0'), body.size());
    Text charset = DeclaredCharset(body.substr(0, std::min<size_t>(zero, 1024)));
    Text text;
    bool converted = false;
    if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
        // An unknown charset keeps the undecoded text.
        if (auto decoded = ConvertCharset(body, charset.c_str(), "GBK")) {
            text = std::move(*decoded);
            CutAtZero(text);
            converted = true;
        }
    }
    if (responseBytes.Bound()) {
        if (!converted) text.assign(body, 0, zero);
        *responseBytes = std::move(body);
    } else if (!converted) {
        text = std::move(body);
        text.resize(zero);
    }
    return text;
}

}  // namespace dorvane
