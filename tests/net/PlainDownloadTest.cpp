#include "net/PlainDownload.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/Worker.h"
#include "net/HttpTestSupport.h"
#include "support/LocalServer.h"
#include "support/RawServer.h"
#include "support/UnresolvableHost.h"

namespace dorvane {
namespace {

using test::RawConnection;
using test::RawRequest;
using test::RawServer;
using test::UnresolvableHost;

TEST(PlainDownloadTest, SendsAnHttp10GetWithOnlyTheAcceptLine) {
    RawServer server(test::Answer(std::string("bytes\0more", 10)));
    EXPECT_EQ(PlainDownload(server.Url("/pic/1.jpg?x=1")), std::string("bytes\0more", 10));
    RawRequest request = server.LastRequest();
    EXPECT_EQ(request.requestLine, "GET /pic/1.jpg?x=1 HTTP/1.0");
    EXPECT_EQ(request.headerLines,
              (std::vector<std::string>{"Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept: */*"}));
}

TEST(PlainDownloadTest, OutcomeOfEachKindOfAnswer) {
    test::LocalServer server;
    server.Http().Get("/ok", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("image", "image/jpeg");
    });
    server.Http().Get("/moved",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/ok"); });
    server.Http().Get("/gone", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("missing", "text/html");
    });
    ASSERT_TRUE(server.Start());
    RawServer half([](const RawRequest&, RawConnection& connection) {
        connection.Write("HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\nonly a part");
    });
    RawServer silent([](const RawRequest&, RawConnection&) {});
    const struct {
        const char* name;
        std::string url;
        Bytes expected;
    } cases[] = {
        {"body", server.Url("/ok"), "image"},
        {"redirect followed", server.Url("/moved"), "image"},
        {"error page is what the server sent", server.Url("/gone"), "missing"},
        {"body stops half way", half.Url("/x"), ""},
        {"no answer", silent.Url("/x"), ""},
        {"empty address", "", ""},
        {"not http", "ftp://127.0.0.1/x", ""},
        {"unresolvable host", "http://" + UnresolvableHost() + "/x", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PlainDownload(c.url), c.expected);
    }
}

TEST(PlainDownloadTest, StoppedWorkerAbortsTheDownload) {
    std::atomic<int> requests{0};
    RawServer server([&requests](const RawRequest&, RawConnection& connection) {
        ++requests;
        connection.Stall();
    });
    Bytes body = "unset";
    auto token = StartWorkerThread([&] { body = PlainDownload(server.Url("/slow")); });
    ASSERT_NE(token, nullptr);
    while (requests.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    token->RequestStop();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(20)));
    EXPECT_EQ(body, "");
}

}  // namespace
}  // namespace dorvane
