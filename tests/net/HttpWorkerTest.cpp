// The fetchers as seen from worker threads: a stopped worker sends nothing and unwinds at the fetch.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>

#include "core/Worker.h"
#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "net/HttpTestSupport.h"
#include "net/PlainDownload.h"
#include "support/RawServer.h"

namespace dorvane {
namespace {

TEST(HttpWorkerStop, StoppedWorkerUnwindsAtTheFetchWithoutSendingARequest) {
    const struct {
        const char* name;
        std::function<void(const std::string&)> fetch;
    } cases[] = {
        {"HttpFetch", [](const std::string& url) { HttpFetch(url); }},
        {"HttpObjectFetch", [](const std::string& url) { HttpObjectFetch(url); }},
        {"PlainDownload", [](const std::string& url) { PlainDownload(url); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::RawServer server(test::Answer("never"));
        std::atomic<bool> fetchedBefore{false};
        std::atomic<bool> passedTheFetch{false};
        auto token = StartWorkerThread([&] {
            c.fetch(server.Url("/before"));
            fetchedBefore = true;
            CurrentWorker()->RequestStop();
            c.fetch(server.Url("/after"));
            passedTheFetch = true;
        });
        ASSERT_NE(token, nullptr);
        ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(20)));
        EXPECT_TRUE(fetchedBefore);
        EXPECT_FALSE(passedTheFetch);
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_EQ(server.LastRequest().target, "/before");
    }
}

}  // namespace
}  // namespace dorvane
