#include "net/CurlCallbacks.h"

#include <cstring>
#include <limits>
#include <new>

#include "core/Worker.h"
#include "net/HeaderLines.h"

namespace dorvane::curl_detail {

namespace {

using net_detail::FirstHeaderValue;
using net_detail::ForEachLine;
using net_detail::StartsWithNoCase;

// Content-Length values above this are not trusted for reserving memory up front; such bodies still
// arrive (up to the body limit), growing as they come.
constexpr long long kMaxReserve = 512LL * 1024 * 1024;
// A response header block beyond this is no answer but a flood (libcurl limits single lines only).
constexpr size_t kMaxHeaderBlock = 1024 * 1024;

bool HasLocationLine(const std::string& block) { return FirstHeaderValue(block, "Location:").has_value(); }

// The body length a header block announces; -1 when it names none. A number too large to hold counts
// as the largest one.
long long AnnouncedLength(const std::string& block) {
    long long length = -1;
    ForEachLine(block, [&](size_t pos, size_t end) {
        if (!StartsWithNoCase(block, pos, "Content-Length:")) return;
        size_t at = pos + std::strlen("Content-Length:");
        while (at < end && (block[at] == ' ' || block[at] == '\t')) ++at;
        long long value = 0;
        bool digits = false;
        for (; at < end && block[at] >= '0' && block[at] <= '9'; ++at) {
            digits = true;
            int digit = block[at] - '0';
            value = value > (std::numeric_limits<long long>::max() - digit) / 10
                        ? std::numeric_limits<long long>::max()
                        : value * 10 + digit;
        }
        if (digits) length = value;
    });
    return length;
}

// The empty line after a response's header: decides whether this response is the answer (not a redirect
// that is followed, nor a 1xx) and whether its announced body fits. False aborts the transfer.
bool FinishHeader(TransferState& state) {
    FetchResult& result = *state.result;
    long code = StatusCodeOf(result.headerBlock.substr(0, result.headerBlock.find("\r\n")));
    bool followed = state.followRedirects && code >= 300 && code < 400 && code != 304 &&
                    HasLocationLine(result.headerBlock);
    state.headersComplete = !followed && !(code >= 100 && code < 200);
    if (followed) {
        state.requestStarted = false;  // the next request may need a tunnel of its own
        state.followingRedirect = true;
    }
    if (!state.headersComplete) return true;
    result.status = static_cast<int>(code);
    bool bodyFollows = state.expectBody && code != 204 && code != 304;
    if (bodyFollows && state.maxBodyBytes > 0 && AnnouncedLength(result.headerBlock) > state.maxBodyBytes) {
        state.tooLarge = true;
        return false;
    }
    return true;
}

}  // namespace

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

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    size_t length = size * count;
    state->Touch();
    std::string line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    FetchResult& result = *state->result;
    const bool statusLine = line.rfind("HTTP/", 0) == 0;
    std::string& block = state->requestStarted ? result.headerBlock : state->tunnelBlock;
    if (statusLine) {
        // A new response begins (after a 1xx answer, a redirect or the tunnel): only the final one counts.
        block.clear();
        if (state->requestStarted) {
            Bytes().swap(result.body);
            state->headersComplete = false;
            state->reserved = false;
        }
    } else if (state->requestStarted && state->headersComplete) {
        return length;  // trailer lines of a chunked body
    }
    if (block.size() + line.size() + 2 > kMaxHeaderBlock) return 0;
    try {
        block += line;
        block += "\r\n";
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (state->requestStarted && line.empty() && !FinishHeader(*state)) return 0;
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    size_t length = size * count;
    state->Touch();
    Bytes& body = state->result->body;
    if (state->maxBodyBytes > 0 &&
        static_cast<unsigned long long>(state->maxBodyBytes) - body.size() < length) {
        state->tooLarge = true;
        return 0;
    }
    try {
        if (!state->reserved) {
            state->reserved = true;
            curl_off_t expected = -1;
            // Reserving the announced size once keeps a large body at one copy instead of the up to
            // twofold peak of repeated growth. The body limit has been checked against it already.
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
        state->stopped = true;
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

}  // namespace dorvane::curl_detail
