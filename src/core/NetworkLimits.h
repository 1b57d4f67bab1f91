#pragma once
// How hard the transfers may push: handed to the fetch paths with each request (net/Retry.h) rather than
// read from anywhere, so two callers in one process may work under limits of their own.

namespace dorvane {

struct NetworkLimits {
    // A failed connection or a 429/5xx answer is tried again this many times.
    int retries = 3;
    // Requests per second to one host; 0 means no limit.
    double requestsPerSecond = 0;
    // A body beyond this many bytes is abandoned as a failed fetch; 0 or less: no limit.
    long long maxBodyBytes = 256LL * 1024 * 1024;
};

}  // namespace dorvane
