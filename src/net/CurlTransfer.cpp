#include "net/CurlTransfer.h"

#include <curl/curl.h>

#include <cerrno>

#include <iterator>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "core/CodePage.h"
#include "core/Worker.h"
#include "net/CurlCallbacks.h"
#include "net/Fetch.h"
#include "net/RateLimit.h"

namespace dorvane {

namespace {

using namespace curl_detail;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlHandleDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using SlistPtr = std::unique_ptr<curl_slist, SlistDeleter>;

// A transfer is driven in slices of this length at most, so that a stop is seen within one slice however
// quiet the line is (libcurl's own loop looks at the progress callback only about once a second while
// nothing arrives).
constexpr int kSliceMs = 40;

// One easy handle per thread, kept between transfers with the multi handle that drives it: the multi
// handle's connection cache and DNS answers and the easy handle's TLS sessions let the next request to the
// same host and port (through the same proxy) skip the handshakes. A handle is never used by two transfers
// at once, because a thread runs one transfer at a time; every option is reset before each use, so nothing
// of an earlier request carries over (libcurl keeps only the live connections, the TLS sessions and the
// DNS cache across a reset; its cookie engine stays off).
class ThreadHandle {
public:
    struct Handles {
        std::unique_ptr<CURLM, MultiDeleter> multi;  // destroyed last: it owns the connections
        std::unique_ptr<CURL, CurlHandleDeleter> easy;
    };

    // The thread's handles, the easy one reset; null members when libcurl could not make them.
    static Handles& Acquire() {
        Handles& handles = Slot();
        if (handles.easy && handles.multi) {
            curl_easy_reset(handles.easy.get());
        } else {
            handles.multi.reset(curl_multi_init());
            handles.easy.reset(curl_easy_init());
        }
        return handles;
    }
    // Closes every connection the thread keeps.
    static void Drop() {
        Handles& handles = Slot();
        handles.easy.reset();
        handles.multi.reset();
    }

private:
    static Handles& Slot() {
        thread_local Handles handles;
        return handles;
    }
};

// Runs the transfer to its end, or until the calling worker is told to stop (then stopped is set).
CURLcode RunTransfer(CURL* easy, CURLM* multi, bool& stopped) {
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode code = CURLE_FAILED_INIT;
    for (bool done = false; !done;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg != CURLMSG_DONE || message->easy_handle != easy) continue;
            code = message->data.result;
            done = true;
        }
        if (done || running == 0) break;
        if (CurrentWorkerStopping()) {
            stopped = true;
            code = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (curl_multi_poll(multi, nullptr, 0, kSliceMs, nullptr) != CURLM_OK) break;
    }
    // Taking the handle out mid-transfer abandons it; the caller then closes the connection.
    curl_multi_remove_handle(multi, easy);
    return code;
}

bool ValidHeaderLine(const std::string& line) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    size_t colon = line.find(':');
    return colon != std::string::npos && colon > 0;
}

bool HasHeader(const std::vector<std::string>& lines, const char* name) {
    for (const auto& line : lines) {
        std::string lineName = line.substr(0, line.find(':'));
        while (!lineName.empty() && (lineName.back() == ' ' || lineName.back() == '\t')) lineName.pop_back();
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

struct HeaderLists {
    SlistPtr server;
    SlistPtr proxy;
};

// The caller's lines in their order, then empty values that keep libcurl from adding its own Accept,
// Content-Type (for bodies), Expect and Transfer-Encoding lines. libcurl's own Proxy-Connection line has
// no counterpart in what this program sends either.
bool BuildHeaderLists(const FetchRequest& request, HeaderLists& lists) {
    for (const auto& line : request.headerLines) {
        if (!Append(lists.server, line)) return false;
    }
    for (const char* own : {"Accept", "Content-Type", "Expect", "Transfer-Encoding"}) {
        if (!HasHeader(request.headerLines, own) && !Append(lists.server, std::string(own) + ":"))
            return false;
    }
    if (!Append(lists.proxy, "Proxy-Connection:")) return false;
    for (const auto& line : request.proxyHeaderLines) {
        if (ValidHeaderLine(line) && !Append(lists.proxy, line)) return false;
    }
    return true;
}

void SetConnectionOptions(CURL* handle, const FetchRequest& request, const std::string& url,
                          const HeaderLists& lists) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(
        handle, CURLOPT_HTTP_VERSION,
        request.http10 ? static_cast<long>(CURL_HTTP_VERSION_1_0) : static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, lists.server.get());
    curl_easy_setopt(handle, CURLOPT_PROXYHEADER, lists.proxy.get());
    curl_easy_setopt(handle, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     request.connectTimeoutMs > 0 ? request.connectTimeoutMs : 0L);
}

void SetProxyAndCredentials(CURL* handle, const FetchRequest& request) {
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
}

// POST goes through libcurl's own POST so that a 301/302/303 continues as GET, the way browsers (and the
// system's HTTP stack) do; other verbs are sent as they are named.
void SetVerbAndBody(CURL* handle, const FetchRequest& request) {
    const std::string verb = HttpVerb(request.method);
    if (verb == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        return;
    }
    const bool sendBody = !request.body.empty() || verb == "POST" || verb == "PUT";
    if (sendBody) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
    }
    if (verb != "POST" && !(verb == "GET" && !sendBody)) {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, HttpVerb(request.method));
    }
}

void SetCallbacks(CURL* handle, TransferState& state) {
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, OnRequestStart);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, &state);
}

// The step a transfer that did not complete ended in.
FetchOutcome FailedStep(const TransferState& state) {
    if (!state.requestStarted) {
        return state.followingRedirect ? FetchOutcome::NoResponse : FetchOutcome::ConnectFailed;
    }
    return state.headersComplete ? FetchOutcome::BodyCutOff : FetchOutcome::NoResponse;
}

// What libcurl said about a transfer that did not complete.
TransferFault FaultOf(CURLcode code, CURL* handle, const TransferState& state) {
    if (state.stalled || code == CURLE_OPERATION_TIMEDOUT) return TransferFault::TimedOut;
    switch (code) {
        case CURLE_COULDNT_CONNECT: {
            long osError = 0;
            curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &osError);
            return osError == ECONNREFUSED ? TransferFault::Refused : TransferFault::Unreachable;
        }
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return TransferFault::HostNotFound;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
            return TransferFault::Tls;
        default:
            return TransferFault::Other;
    }
}

void Classify(CURLcode code, CURL* handle, TransferState& state, FetchResult& result) {
    if (state.stopped) {
        result.outcome = FetchOutcome::Stopped;
        result.stoppedDuring = FailedStep(state);
        Bytes().swap(result.body);
    } else if (state.tooLarge) {
        result.outcome = FetchOutcome::TooLarge;
        Bytes().swap(result.body);
    } else if (code == CURLE_OK) {
        result.outcome = FetchOutcome::Complete;
        if (result.status == 0) {
            long status = 0;
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
            result.status = static_cast<int>(status);
        }
    } else if (!state.requestStarted &&
               StatusCodeOf(state.tunnelBlock.substr(0, state.tunnelBlock.find('\r'))) >= 300) {
        // The proxy refused the tunnel: its answer is the answer, as when it refuses a plain request.
        result.outcome = FetchOutcome::Complete;
        result.headerBlock = std::move(state.tunnelBlock);
        result.status =
            static_cast<int>(StatusCodeOf(result.headerBlock.substr(0, result.headerBlock.find('\r'))));
        Bytes().swap(result.body);
    } else {
        result.outcome = FailedStep(state);
        result.fault = FaultOf(code, handle, state);
    }
}

FetchResult Failed(FetchOutcome outcome) {
    FetchResult result;
    result.outcome = outcome;
    return result;
}

}  // namespace

const char* HttpVerb(HttpMethod method) {
    static const char* const kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                         "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    const auto index = static_cast<size_t>(method);
    return index < std::size(kVerbs) ? kVerbs[index] : "GET";
}

void CloseThreadConnections() { ThreadHandle::Drop(); }

std::string WireUrl(const std::string& url) {
    bool plain = true;
    for (unsigned char c : url) plain = plain && c > 0x20 && c < 0x7f;
    if (plain) return url;
    // Addresses are GBK text in this program (GB18030 where typed by the user); servers expect the UTF-8
    // form, percent-encoded, as a browser sends it. The host part is left alone (libcurl turns a non-ASCII
    // host name into its IDN form).
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

FetchResult PerformFetch(const FetchRequest& request) {
    const std::string url = WireUrl(request.url);
    if (!CheckHttpUrl(url)) return Failed(FetchOutcome::BadAddress);
    for (const auto& line : request.headerLines) {
        if (!ValidHeaderLine(line)) return Failed(FetchOutcome::BadHeader);
    }
    // May wait; a stop during the wait unwinds from here, before anything goes on the wire.
    WaitForHostTurn(HostKeyOf(url), request.requestsPerSecond);
    ThreadHandle::Handles& handles = ThreadHandle::Acquire();
    CURL* handle = handles.easy.get();
    HeaderLists lists;
    if (!handle || !handles.multi || !BuildHeaderLists(request, lists))
        return Failed(FetchOutcome::ConnectFailed);

    FetchResult result;
    TransferState state;
    state.handle = handle;
    state.result = &result;
    state.followRedirects = request.followRedirects;
    state.expectBody = request.method != HttpMethod::Head;
    state.maxBodyBytes = request.maxBodyBytes;
    state.stallTimeoutMs = request.stallTimeoutMs;
    SetConnectionOptions(handle, request, url, lists);
    SetProxyAndCredentials(handle, request);
    SetVerbAndBody(handle, request);
    SetCallbacks(handle, state);

    if (CurrentWorkerStopping()) {
        result.outcome = FetchOutcome::Stopped;
        return result;
    }
    CURLcode code = RunTransfer(handle, handles.multi.get(), state.stopped);
    Classify(code, handle, state, result);
    if (result.outcome != FetchOutcome::Complete) ThreadHandle::Drop();
    return result;
}

}  // namespace dorvane
