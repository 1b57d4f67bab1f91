#include "net/FetchRequests.h"

#include <gtest/gtest.h>

#include <climits>

namespace dorvane {
namespace {

// The time-outs never show on the wire short of a timed test, so their mapping is checked on the request.
struct TimeoutCase {
    const char* name;
    bool objectPath;  // ObjectFetchRequest rather than PageFetchRequest
    int timeoutSeconds;
    long connectMs;
    long stallMs;
};

TEST(FetchRequestTimeouts, EachPathTurnsItsSecondsIntoConnectAndStallLimits) {
    const TimeoutCase cases[] = {
        {"page: 0 is the default", false, 0, 30000, 30000},
        {"page: negative as 0", false, -1, 30000, 30000},
        {"page: seconds", false, 7, 7000, 7000},
        {"page: held below overflow", false, INT_MAX, 2147483000L, 2147483000L},
        {"object: 0 is the default", true, 0, 15000, 15000},
        {"object: -1 keeps the object's own", true, -1, 60000, 30000},
        {"object: other negatives as 0", true, -2, 15000, 15000},
        {"object: seconds", true, 7, 7000, 7000},
        {"object: held below overflow", true, INT_MAX, 2147483000L, 2147483000L},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text headers;
        FetchRequest request =
            c.objectPath ? ObjectFetchRequest("http://h/", {.timeoutSeconds = c.timeoutSeconds}, headers)
                         : PageFetchRequest("http://h/", {.timeoutSeconds = c.timeoutSeconds});
        EXPECT_EQ(request.connectTimeoutMs, c.connectMs);
        EXPECT_EQ(request.stallTimeoutMs, c.stallMs);
    }
}

}  // namespace
}  // namespace dorvane
