// The body size limit and the per-host request rate, on real local servers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "net/Fetch.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "net/PlainDownload.h"
#include "support/LocalServer.h"
#include "support/RawServer.h"

namespace dorvane {
namespace {

using test::LocalServer;
using test::RawConnection;
using test::RawRequest;
using test::RawServer;

constexpr long long kLimit = 1 << 20;
const std::string kHeader = "HTTP/1.1 200 OK\r\n";

TEST(FetchLimits, ABodyBeyondTheLimitIsAbandonedAsSoonAsItShows) {
    const std::string megabyte(kLimit, 'b');
    // The stalling answers would end as a cut-off body after the stall time-out if the limit were only
    // checked at the end: the fetch must give up before that, on the announcement or the bytes.
    const struct {
        const char* name;
        std::function<void(RawConnection&)> answer;
        FetchOutcome outcome;
        size_t bodySize;
    } cases[] = {
        {"announced beyond the limit, nothing sent yet",
         [](RawConnection& connection) {
             connection.Write(kHeader + "Content-Length: 3145728\r\n\r\n");
             connection.Stall();
         },
         FetchOutcome::TooLarge, 0},
        {"chunked, passing the limit, then stalling",
         [&](RawConnection& connection) {
             connection.Write(kHeader + "Transfer-Encoding: chunked\r\n\r\n");
             for (int k = 0; k < 3; ++k) connection.Write("80000\r\n" + megabyte.substr(0, 0x80000) + "\r\n");
             connection.Stall();
         },
         FetchOutcome::TooLarge, 0},
        {"no length, 3 MB until the close",
         [&](RawConnection& connection) {
             connection.Write(kHeader + "Connection: close\r\n\r\n" + megabyte + megabyte + megabyte);
         },
         FetchOutcome::TooLarge, 0},
        {"exactly the limit",
         [&](RawConnection& connection) { connection.Respond("HTTP/1.1 200 OK", {}, megabyte); },
         FetchOutcome::Complete, megabyte.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server([&c](const RawRequest&, RawConnection& connection) { c.answer(connection); });
        FetchRequest request;
        request.url = server.Url("/big");
        request.maxBodyBytes = kLimit;
        request.stallTimeoutMs = 20000;
        FetchResult result = PerformFetch(request);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.body.size(), c.bodySize);
        EXPECT_EQ(result.status, 200);
    }
}

TEST(FetchLimits, TheFetchPathsReportATooLargeBodyAsAFailureAndDropTheConnection) {
    // The long parameter lists keep the default limit: a body announced a megabyte beyond it.
    const size_t bigSize = static_cast<size_t>(NetworkLimits().maxBodyBytes + kLimit);
    LocalServer server;
    server.Http().Get("/small", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("small", "text/plain");
    });
    server.Http().Get("/big", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(bigSize, "application/octet-stream",
                                 [](size_t, size_t length, httplib::DataSink& sink) {
                                     const std::string chunk(std::min<size_t>(length, 65536), 'b');
                                     return sink.write(chunk.data(), chunk.size());
                                 });
    });
    server.Http().set_keep_alive_max_count(100);
    ASSERT_TRUE(server.Start());
    Text status;
    const struct {
        const char* name;
        std::function<Bytes(const std::string&)> fetch;
        const char* statusText;  // HttpFetch's report for the big body
    } paths[] = {
        {"HttpFetch",
         [&status](const std::string& url) {
             return HttpFetch(url, HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {}, {}, {}, 5, {},
                              status);
         },
         "713 读取数据失败!"},
        {"HttpObjectFetch", [](const std::string& url) { return HttpObjectFetch(url); }, ""},
        {"PlainDownload", [](const std::string& url) { return PlainDownload(url); }, ""},
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.name);
        const size_t before = server.RequestCount();
        status.clear();
        EXPECT_EQ(path.fetch(server.Url("/small")), "small");
        EXPECT_EQ(path.fetch(server.Url("/big")), "");
        EXPECT_EQ(status, Gbk(path.statusText));
        EXPECT_EQ(path.fetch(server.Url("/small")), "small");
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), before + 3);
        // PlainDownload speaks HTTP/1.0 and keeps no connection in the first place.
        if (std::string(path.name) != "PlainDownload") {
            EXPECT_EQ(requests[before].Header("REMOTE_PORT"), requests[before + 1].Header("REMOTE_PORT"));
            EXPECT_NE(requests[before + 2].Header("REMOTE_PORT"), requests[before + 1].Header("REMOTE_PORT"));
        }
    }
}

TEST(FetchLimits, RequestsToOneHostKeepToTheRate) {
    RawServer server([](const RawRequest&, RawConnection& connection) {
        connection.Respond("HTTP/1.1 200 OK", {}, "ok");
    });
    FetchRequest request;
    request.url = server.Url("/r");
    request.requestsPerSecond = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < 5; ++k) EXPECT_EQ(PerformFetch(request).body, "ok");
    // The fifth request may go out four intervals of 50 ms after the first.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace dorvane
