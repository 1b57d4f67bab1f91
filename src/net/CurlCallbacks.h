#pragma once
// The libcurl callbacks of one transfer and the state they share (used by CurlTransfer.cpp only).
#include <curl/curl.h>

#include <chrono>
#include <string>

#include "net/Fetch.h"

namespace dorvane::curl_detail {

using Clock = std::chrono::steady_clock;

struct TransferState {
    CURL* handle = nullptr;
    FetchResult* result = nullptr;
    bool followRedirects = true;
    // False for HEAD: an announced length then describes a body that never comes.
    bool expectBody = true;
    long long maxBodyBytes = 0;
    long stallTimeoutMs = 0;

    // Set once the request itself is about to go out (after connecting, the proxy tunnel and the TLS
    // handshake); a status line before that is the proxy's answer to the tunnel request.
    bool requestStarted = false;
    // A redirect is being followed: a hop that fails counts as the answer that never came.
    bool followingRedirect = false;
    std::string tunnelBlock;
    bool headersComplete = false;
    bool reserved = false;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastUpload = 0;

    bool stopped = false;   // the calling worker was told to stop
    bool stalled = false;   // nothing moved for stallTimeoutMs
    bool tooLarge = false;  // the body went, or was announced to go, beyond maxBodyBytes

    void Touch() { lastActivity = Clock::now(); }
};

// Status code of a status line "HTTP/1.1 302 Found"; 0 when it has none.
long StatusCodeOf(const std::string& statusLine);

size_t OnHeader(char* data, size_t size, size_t count, void* user);
size_t OnBody(char* data, size_t size, size_t count, void* user);
int OnRequestStart(void* user, char*, char*, int, int);
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded);

}  // namespace dorvane::curl_detail
