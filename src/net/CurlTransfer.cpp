#include "net/CurlTransfer.h"

#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "core/CodePage.h"
#include "core/Worker.h"

namespace dorvane {

namespace {

using Clock = std::chrono::steady_clock;

// Content-Length values above this are not trusted for reserving memory up front; such bodies still
// arrive, growing as they come.
constexpr curl_off_t kMaxReserve = 512LL * 1024 * 1024;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using HandlePtr = std::unique_ptr<CURL, CurlHandleDeleter>;
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// The state the callbacks of one transfer share.
struct TransferState {
    CURL* handle = nullptr;
    TransferResult* result = nullptr;
    bool followRedirects = true;
    // Set once the request itself is about to go out (after connecting, the proxy tunnel and the TLS
    // handshake); a status line before that is the proxy's answer to the tunnel request.
    bool requestStarted = false;
    // A redirect is being followed: a hop that fails counts as the answer that never came.
    bool followingRedirect = false;
    std::string tunnelBlock;
    bool headersComplete = false;
    bool reserved = false;
    long stallTimeoutMs = 0;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastUpload = 0;
    bool stalled = false;

    void Touch() { lastActivity = Clock::now(); }
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    return text.size() >= n && curl_strnequal(text.c_str(), prefix, n);
}

// Status code of a status line "HTTP/1.1 302 Found".
long StatusCodeOf(const std::string& statusLine) {
    size_t space = statusLine.find(' ');
    if (space == std::string::npos) return 0;
    long code = 0;
    for (size_t i = space + 1; i < statusLine.size() && i < space + 4; ++i) {
        char c = statusLine[i];
        if (c < '0' || c > '9') return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

bool HasLocationLine(const std::string& block) {
    size_t pos = 0;
    while (pos < block.size()) {
        size_t end = block.find("\r\n", pos);
        if (end == std::string::npos) end = block.size();
        if (StartsWithNoCase(block.substr(pos, end - pos), "Location:")) return true;
        pos = end + 2;
    }
    return false;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    size_t length = size * count;
    state->Touch();
    std::string line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    TransferResult& result = *state->result;
    if (!state->requestStarted) {
        if (line.rfind("HTTP/", 0) == 0) state->tunnelBlock.clear();
        state->tunnelBlock += line + "\r\n";
        return length;
    }
    if (line.rfind("HTTP/", 0) == 0) {
        // A new response begins (after a 1xx answer or a redirect): only the final one is reported.
        result.headerBlock.clear();
        result.body.clear();
        state->headersComplete = false;
        state->reserved = false;
    } else if (state->headersComplete) {
        return length;  // trailer lines of a chunked body
    }
    try {
        result.headerBlock += line;
        result.headerBlock += "\r\n";
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (line.empty()) {
        long code = StatusCodeOf(result.headerBlock.substr(0, result.headerBlock.find("\r\n")));
        bool followed = state->followRedirects && code >= 300 && code < 400 && code != 304 &&
                        HasLocationLine(result.headerBlock);
        // A redirect that is followed is not the answer yet; 1xx answers are followed by the real one.
        state->headersComplete = !followed && !(code >= 100 && code < 200);
        if (state->headersComplete) result.status = code;
        if (followed) {
            state->requestStarted = false;  // the next request may need a tunnel of its own
            state->followingRedirect = true;
        }
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    size_t length = size * count;
    state->Touch();
    Bytes& body = state->result->body;
    try {
        if (!state->reserved) {
            state->reserved = true;
            curl_off_t expected = -1;
            // Reserving the announced size once keeps a large body at one copy instead of the up to
            // twofold peak of repeated growth.
            if (curl_easy_getinfo(state->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) == CURLE_OK &&
                expected > 0 && expected <= kMaxReserve) {
                body.reserve(static_cast<size_t>(expected));
            }
        }
        body.append(data, length);
    } catch (const std::bad_alloc&) {
        return 0;  // ends the transfer as a failed body
    }
    return length;
}

int OnRequestStart(void* user, char*, char*, int, int) {
    static_cast<TransferState*>(user)->requestStarted = true;
    return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* state = static_cast<TransferState*>(user);
    if (CurrentWorkerStopping()) {
        state->result->aborted = true;
        return 1;
    }
    if (uploaded != state->lastUpload) {
        state->lastUpload = uploaded;
        state->Touch();
    }
    curl_off_t connectTime = 0;
    curl_easy_getinfo(state->handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    if (connectTime == 0) {
        // Still resolving or connecting: the connect time-out governs that phase.
        state->Touch();
        return 0;
    }
    auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - state->lastActivity);
    if (state->stallTimeoutMs > 0 && idle.count() > state->stallTimeoutMs) {
        state->stalled = true;
        return 1;
    }
    return 0;
}

bool ValidHeaderLine(const std::string& line) {
    if (line.find('\r') != std::string::npos || line.find('\n') != std::string::npos) return false;
    if (line.find('\0') != std::string::npos) return false;
    size_t colon = line.find(':');
    return colon != std::string::npos && colon > 0;
}

std::string HeaderName(const std::string& line) {
    std::string name = line.substr(0, line.find(':'));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    return name;
}

bool HasHeader(const std::vector<std::string>& lines, const char* name) {
    for (const auto& line : lines) {
        std::string lineName = HeaderName(line);
        if (curl_strequal(lineName.c_str(), name)) return true;
    }
    return false;
}

bool Append(SlistPtr& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return false;
    list.release();
    list.reset(grown);
    return true;
}

// One easy handle per thread, kept between transfers: its connection cache, TLS sessions and DNS answers
// let the next request to the same host and port (through the same proxy) skip the handshakes. A handle
// is never used by two transfers at once, because a thread runs one transfer at a time; every option is
// reset before each use, so nothing of an earlier request carries over (libcurl keeps only the live
// connections, the TLS sessions and the DNS cache across a reset; its cookie engine stays off).
class ThreadHandle {
public:
    static CURL* Acquire() {
        HandlePtr& handle = Slot();
        if (handle) {
            curl_easy_reset(handle.get());
        } else {
            handle.reset(curl_easy_init());
        }
        return handle.get();
    }
    // Closes every connection the thread keeps: after a stopped or failed transfer nothing of it is reused.
    static void Drop() { Slot().reset(); }

private:
    static HandlePtr& Slot() {
        thread_local HandlePtr handle;
        return handle;
    }
};

TransferOutcome ClassifyFailure(const TransferState& state) {
    if (!state.requestStarted) {
        return state.followingRedirect ? TransferOutcome::NoResponse : TransferOutcome::ConnectFailed;
    }
    return state.headersComplete ? TransferOutcome::BodyFailed : TransferOutcome::NoResponse;
}

}  // namespace

void CloseThreadConnections() { ThreadHandle::Drop(); }

std::string WireUrl(const std::string& url) {
    bool plain = true;
    for (unsigned char c : url) plain = plain && c > 0x20 && c < 0x7f;
    if (plain) return url;
    // Addresses are GBK text in this program (GB18030 where typed by the user); servers expect the UTF-8 form, percent-encoded, as a browser
    // sends it. The host part is left alone (libcurl turns a non-ASCII host name into its IDN form).
    std::string utf8 = ConvertCharset(url, "GB18030", "UTF-8").value_or(url);
    size_t scheme = utf8.find("://");
    size_t pathStart = scheme == std::string::npos ? 0 : utf8.find_first_of("/?#", scheme + 3);
    if (pathStart == std::string::npos) return utf8;
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = utf8.substr(0, pathStart);
    for (size_t i = pathStart; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c <= 0x20 || c >= 0x7f) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool CheckHttpUrl(const std::string& url) {
    GlobalInit();
    if (url.empty()) return false;
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) return false;
    if (curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK || !scheme) return false;
    bool httpScheme = curl_strequal(scheme, "http") || curl_strequal(scheme, "https");
    curl_free(scheme);
    char* host = nullptr;
    bool hasHost = curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host;
    curl_free(host);
    return httpScheme && hasHost;
}

Text StatusTextOf(const std::string& headerBlock) {
    if (headerBlock.size() < 10) return {};
    size_t end = headerBlock.find("\r\n", 9);
    if (end == std::string::npos) end = headerBlock.size();
    return headerBlock.substr(9, end - 9);
}

TransferResult PerformTransfer(const TransferRequest& request) {
    TransferResult result;
    const std::string url = WireUrl(request.url);
    if (!CheckHttpUrl(url)) {
        result.outcome = TransferOutcome::BadUrl;
        return result;
    }
    for (const auto& line : request.headerLines) {
        if (!ValidHeaderLine(line)) {
            result.outcome = TransferOutcome::BadHeader;
            return result;
        }
    }
    CURL* handle = ThreadHandle::Acquire();
    if (!handle) {
        result.outcome = TransferOutcome::ConnectFailed;
        return result;
    }

    // Header lines: the caller's in their order, then empty values that keep libcurl from adding its
    // own Accept, Content-Type (for bodies) and Expect lines.
    SlistPtr headers;
    for (const auto& line : request.headerLines) {
        if (!Append(headers, line)) return result;
    }
    for (const char* own : {"Accept", "Content-Type", "Expect", "Transfer-Encoding"}) {
        if (!HasHeader(request.headerLines, own) && !Append(headers, std::string(own) + ":")) return result;
    }
    // libcurl's own Proxy-Connection line has no counterpart in what this program sends.
    SlistPtr proxyHeaders;
    if (!Append(proxyHeaders, "Proxy-Connection:")) return result;
    for (const auto& line : request.proxyHeaderLines) {
        if (ValidHeaderLine(line) && !Append(proxyHeaders, line)) return result;
    }

    TransferState state;
    state.handle = handle;
    state.result = &result;
    state.followRedirects = request.followRedirects;
    state.stallTimeoutMs = request.stallTimeoutMs;

    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(
        handle, CURLOPT_HTTP_VERSION,
        request.http10 ? static_cast<long>(CURL_HTTP_VERSION_1_0) : static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(handle, CURLOPT_PROXYHEADER, proxyHeaders.get());
    curl_easy_setopt(handle, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     request.connectTimeoutMs > 0 ? request.connectTimeoutMs : 0L);
    // An empty proxy text also keeps libcurl away from the proxy environment variables.
    curl_easy_setopt(handle, CURLOPT_PROXY, request.proxy.c_str());
    if (!request.serverUser.empty() || !request.serverPassword.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, request.serverUser.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, request.serverPassword.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
    if (!request.proxyUser.empty() || !request.proxyPassword.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    }

    // Verb and body. POST goes through libcurl's own POST so that a 301/302/303 continues as GET, the way
    // browsers (and the system's HTTP stack) do; other verbs are sent as they are named.
    bool hasBody = request.body && !request.body->empty();
    static const Bytes kEmpty;
    const Bytes& body = hasBody ? *request.body : kEmpty;
    if (request.verb == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    } else {
        bool sendBody = hasBody || request.verb == "POST" || request.verb == "PUT";
        if (sendBody) {
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
        }
        if (request.verb != "POST" && !(request.verb == "GET" && !sendBody)) {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
        }
    }

    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, OnRequestStart);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, &state);

    if (CurrentWorkerStopping()) {
        result.aborted = true;
        result.outcome = TransferOutcome::ConnectFailed;
        return result;
    }
    CURLcode code = curl_easy_perform(handle);
    if (code == CURLE_OK) {
        result.outcome = TransferOutcome::Complete;
        if (result.status == 0) {
            long status = 0;
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
            result.status = status;
        }
    } else if (!state.requestStarted &&
               StatusCodeOf(state.tunnelBlock.substr(0, state.tunnelBlock.find('\r'))) >= 300) {
        // The proxy refused the tunnel: its answer is the answer, as when it refuses a plain request.
        result.outcome = TransferOutcome::Complete;
        result.headerBlock = std::move(state.tunnelBlock);
        result.status = StatusCodeOf(result.headerBlock.substr(0, result.headerBlock.find('\r')));
        result.body.clear();
    } else {
        result.outcome = ClassifyFailure(state);
    }
    if (result.aborted || result.outcome != TransferOutcome::Complete) ThreadHandle::Drop();
    return result;
}

}  // namespace dorvane
