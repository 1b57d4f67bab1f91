#include "net/HttpObjectFetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/Worker.h"
#include "net/HttpTestSupport.h"
#include "support/LocalServer.h"
#include "support/Proxy.h"
#include "support/RawServer.h"
#include "support/UnresolvableHost.h"

namespace dorvane {
namespace {

using test::Answer;
using test::CallerLines;
using test::LocalServer;
using test::RawConnection;
using test::RawRequest;
using test::RawServer;
using test::UnresolvableHost;
using Lines = std::vector<std::string>;

const std::string kObjectAccept = "Accept: */*";
const std::string kObjectLanguage = "Accept-Language: zh-cn";
const std::string kObjectUserAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const std::string kObjectForm = "Content-Type: application/x-www-form-urlencoded";

struct ObjectHeaderCase {
    const char* name;
    int method;
    std::string extraHeaders;
    std::optional<std::string> sendCookies;
    bool addDefaultHeaders;
    bool normaliseHeaders;
    Lines expected;           // after Host, without Content-Length; "REFERER" stands for the request's URL
    std::string writtenBack;  // extraHeaders after the call; "REFERER" as above
};

std::string WithUrl(std::string text, const std::string& url) {
    const std::string marker = "REFERER";
    for (size_t pos = text.find(marker); pos != std::string::npos;
         pos = text.find(marker, pos + url.size())) {
        text.replace(pos, marker.size(), url);
    }
    return text;
}

TEST(HttpObjectFetchRequest, SendsTheDefaultsAndCallerLinesAsTheRequestObjectWould) {
    const std::string referer = "Referer: REFERER";
    const std::vector<ObjectHeaderCase> cases = {
        {"defaults in order",
         0,
         "",
         std::nullopt,
         true,
         true,
         {kObjectAccept, referer, kObjectLanguage, kObjectUserAgent},
         "Accept: */*\r\nReferer: REFERER\r\nAccept-Language: zh-cn\r\n" + kObjectUserAgent},
        {"caller's referer is the only one",
         0,
         "Referer: X",
         std::nullopt,
         true,
         true,
         {"Referer: X", kObjectAccept, kObjectLanguage, kObjectUserAgent},
         "Referer: X\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n" + kObjectUserAgent},
        {"probes have no blank",
         0,
         "user-agent:Y",
         std::nullopt,
         true,
         true,
         {"User-Agent: Y", kObjectAccept, referer, kObjectLanguage},
         "User-Agent:Y\r\nAccept: */*\r\nReferer: REFERER\r\nAccept-Language: zh-cn"},
        {"post adds a form type",
         1,
         "",
         std::nullopt,
         true,
         true,
         {kObjectAccept, referer, kObjectLanguage, kObjectUserAgent, kObjectForm},
         "Accept: */*\r\nReferer: REFERER\r\nAccept-Language: zh-cn\r\n" + kObjectUserAgent + "\r\n" +
             kObjectForm},
        {"keep-alive line is skipped",
         0,
         "connection: keep-alive",
         std::nullopt,
         true,
         true,
         {kObjectAccept, referer, kObjectLanguage, kObjectUserAgent},
         "Connection: keep-alive\r\nAccept: */*\r\nReferer: REFERER\r\nAccept-Language: zh-cn\r\n" +
             kObjectUserAgent},
        {"cookie marker removed, blank kept",
         0,
         "X-A: 1",
         std::string("Cookie: a=1"),
         false,
         true,
         {"Cookie:  a=1", "X-A: 1"},
         "X-A: 1"},
        {"cookie list sent as given",
         0,
         "X-A: 1",
         std::string("a=1; b=2"),
         false,
         true,
         {"Cookie: a=1; b=2", "X-A: 1"},
         "X-A: 1"},
        {"empty cookies send no cookie line",
         0,
         "X-A: 1",
         std::string(""),
         false,
         true,
         {"X-A: 1"},
         "X-A: 1"},
        {"caller's cookie line replaces the cookie text",
         0,
         "X-A: 1\r\nCookie: c=3",
         std::string("a=1"),
         false,
         true,
         {"Cookie: c=3", "X-A: 1"},
         "X-A: 1\r\nCookie: c=3"},
        {"a later line of the same name replaces the value in place",
         0,
         "X-A: 1\r\nX-B: 2\r\nx-a: 3",
         std::nullopt,
         false,
         false,
         {"X-A: 3", "X-B: 2"},
         "X-A: 1\r\nX-B: 2\r\nx-a: 3"},
        {"names and values are trimmed",
         0,
         "  X-T  :   v  \r\nX-U: w",
         std::nullopt,
         false,
         false,
         {"X-T: v", "X-U: w"},
         "  X-T  :   v  \r\nX-U: w"},
        {"single line without line break",
         0,
         "X-Only: 1",
         std::nullopt,
         false,
         true,
         {"X-Only: 1"},
         "X-Only: 1"},
        {"single keep-alive line is sent",
         0,
         "Connection: keep-alive",
         std::nullopt,
         false,
         true,
         {"Connection: keep-alive"},
         "Connection: keep-alive"},
        {"nothing at all", 0, "", std::nullopt, false, true, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(Answer("image"));
        const std::string url = server.Url("/img.jpg");
        Text headers = c.extraHeaders;
        int status = 0;
        Bytes body = HttpObjectFetch(url, static_cast<HttpMethod>(c.method), {}, c.sendCookies, {}, headers,
                                     {}, status, false, {}, {}, 5, {}, {}, 1, nullptr, true,
                                     c.addDefaultHeaders, c.normaliseHeaders);
        EXPECT_EQ(body, "image");
        EXPECT_EQ(status, 200);
        Lines expected;
        for (const auto& line : c.expected) expected.push_back(WithUrl(line, url));
        EXPECT_EQ(CallerLines(server.LastRequest()), expected);
        EXPECT_EQ(headers, WithUrl(c.writtenBack, url));
    }
}

TEST(HttpObjectFetchRequest, BodyAndVerb) {
    const struct {
        int method;
        std::string postText;
        Bytes postBytes;
        const char* verb;
        Bytes sent;
    } cases[] = {
        {1, "a=1", {}, "POST", "a=1"},
        {1, "ignored", Bytes("\x89PNG\0\x01", 6), "POST", Bytes("\x89PNG\0\x01", 6)},
        {0, "q", {}, "GET", "q"},
        {5, "", {}, "DELETE", ""},
        {12, "", {}, "GET", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.verb);
        RawServer server(Answer("ok"));
        HttpObjectFetch(server.Url("/x"), static_cast<HttpMethod>(c.method), c.postText, std::nullopt, {}, {},
                        {}, {}, false, c.postBytes);
        EXPECT_EQ(server.LastRequest().method, c.verb);
        EXPECT_EQ(server.LastRequest().body, c.sent);
    }
}

class HttpObjectFetchResponse : public ::testing::Test {
protected:
    void SetUp() override {
        auto& http = m_server.Http();
        http.Get("/img", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "sid=abc; path=/");
            res.set_header("Set-Cookie", "t=1");
            res.set_content(std::string("\xff\xd8\0\x01jpeg", 8), "image/jpeg");
        });
        http.Get("/plain", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("cookie=" + req.get_header_value("Cookie"), "text/plain");
        });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        http.Get("/move",
                 [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/img", 302); });
        ASSERT_TRUE(m_server.Start());
    }
    LocalServer m_server;
};

TEST_F(HttpObjectFetchResponse, BodyStatusHeadersAndCookies) {
    const Bytes jpeg("\xff\xd8\0\x01jpeg", 8);
    const struct {
        const char* name;
        const char* path;
        std::optional<std::string> sendCookies;
        bool mergeCookies;
        bool noRedirect;
        Bytes body;
        int status;
        std::string cookies;
    } cases[] = {
        {"cookies without attributes", "/img", std::nullopt, true, false, jpeg, 200, "sid=abc; t=1"},
        {"merged with what was sent", "/img", std::string("u=1; sid=old"), true, false, jpeg, 200,
         "sid=abc; t=1; u=1"},
        {"merge switched off", "/img", std::string("u=1"), false, false, jpeg, 200, "sid=abc; t=1"},
        {"no new cookies: sent ones tidied", "/plain", std::string("a=1; a=1; b=deleted"), true, false,
         "cookie=a=1; a=1; b=deleted", 200, "a=1"},
        {"supplied but empty", "/plain", std::string(""), true, false, "cookie=", 200, ""},
        {"error page is returned", "/missing", std::nullopt, true, false, "not here", 404, ""},
        {"redirect followed", "/move", std::nullopt, true, false, jpeg, 200, "sid=abc; t=1"},
        {"redirect not followed", "/move", std::nullopt, true, true, "", 302, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text cookies = "stale", headers;
        int status = -5;
        Bytes body =
            HttpObjectFetch(m_server.Url(c.path), HttpMethod::Get, {}, c.sendCookies, cookies, {}, headers,
                            status, c.noRedirect, {}, {}, 5, {}, {}, 1, nullptr, c.mergeCookies);
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(cookies, c.cookies);
        // The header lines without the status line.
        EXPECT_EQ(headers.find("HTTP/1.1"), std::string::npos);
        EXPECT_NE(headers.find("Content-Length: "), std::string::npos);
    }
}

TEST_F(HttpObjectFetchResponse, KeptRequestObjectCarriesCookiesToTheNextCall) {
    HttpRequestObject object;
    HttpObjectFetch(m_server.Url("/img"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, {}, false, {}, {}, 5,
                    {}, {}, 1, &object);
    EXPECT_EQ(object.cookies, "sid=abc; t=1");
    Bytes body = HttpObjectFetch(m_server.Url("/plain"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, {},
                                 false, {}, {}, 5, {}, {}, 1, &object);
    EXPECT_EQ(body, "cookie=sid=abc; t=1");
    // Without the object nothing is carried over.
    EXPECT_EQ(HttpObjectFetch(m_server.Url("/plain")), "cookie=");
}

TEST(HttpObjectFetchFailure, FailedExchangesGiveNoBytes) {
    RawServer stalling([](const RawRequest&, RawConnection& connection) { connection.Stall(); });
    RawServer halfBody([](const RawRequest&, RawConnection& connection) {
        connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(20000, 'j'));
    });
    RawServer reset([](const RawRequest&, RawConnection& connection) {
        connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 50000\r\n\r\n" + std::string(20000, 'j'));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connection.Reset();
    });
    const std::string cases[] = {
        "",
        "not an address",
        "gopher://127.0.0.1/",
        "http://" + UnresolvableHost() + "/img.jpg",
        stalling.Url("/img"),
        halfBody.Url("/img"),
        reset.Url("/img"),
    };
    for (const auto& url : cases) {
        SCOPED_TRACE(url);
        int status = -5;
        Text headers = "stale", cookies = "stale";
        Bytes body = HttpObjectFetch(url, HttpMethod::Get, {}, std::nullopt, cookies, {}, headers, status,
                                     false, {}, {}, 1);
        EXPECT_EQ(body, "");
        EXPECT_EQ(status, 0);
        EXPECT_EQ(headers, "");
        EXPECT_EQ(cookies, "");
    }
}

TEST(HttpObjectFetchTls, ImageOverHttps) {
    LocalServer server(LocalServer::Scheme::Https);
    server.Http().Get("/a.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(300000, 'i'), "image/jpeg");
    });
    ASSERT_TRUE(server.Start());
    int status = 0;
    EXPECT_EQ(
        HttpObjectFetch(server.Url("/a.jpg"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, status).size(),
        300000u);
    EXPECT_EQ(status, 200);
}

TEST(HttpObjectFetchProxy, CredentialFlagsChooseProxyOrServerAndTheProxyHeaderStaysWithTheProxy) {
    if (!test::TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
    test::TinyProxy guarded("keeper", "s3cret");
    ASSERT_TRUE(guarded.Running());
    LocalServer http;
    LocalServer https(LocalServer::Scheme::Https);
    for (LocalServer* server : {&http, &https}) {
        server->Http().Get("/p.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("picture", "image/jpeg");
        });
        ASSERT_TRUE(server->Start());
    }
    const struct {
        const char* name;
        LocalServer* server;
        int credentialFlags;
        int status;
        Bytes body;
    } cases[] = {
        {"http, proxy credentials", &http, 1, 200, "picture"},
        {"https tunnel, proxy credentials", &https, 1, 200, "picture"},
        {"http, credentials meant for the server", &http, 0, 407, ""},
        {"https, credentials meant for the server", &https, 0, 407, ""},
        {"http, unknown target", &http, 7, 407, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int status = 0;
        Bytes body =
            HttpObjectFetch(c.server->Url("/p.jpg"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, status,
                            false, {}, guarded.Address(), 5, "keeper", "s3cret", c.credentialFlags);
        EXPECT_EQ(status, c.status);
        if (c.status == 200) {
            EXPECT_EQ(body, c.body);
            EXPECT_EQ(c.server->LastRequest().HeaderCount("Proxy-Authorization"), 0u);
        }
    }
}

TEST(HttpObjectFetchCancel, StoppingTheWorkerAbortsTheTransfer) {
    std::atomic<int> requests{0};
    RawServer server([&requests](const RawRequest&, RawConnection& connection) {
        ++requests;
        connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 900000\r\n\r\npartial");
        connection.Stall();
    });
    Bytes body = "unset";
    int status = -1;
    auto token = StartWorkerThread([&] {
        body = HttpObjectFetch(server.Url("/slow.jpg"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, status,
                               false, {}, {}, -1);
    });
    ASSERT_NE(token, nullptr);
    while (requests.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    token->RequestStop();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(20)));
    EXPECT_EQ(body, "");
    EXPECT_EQ(status, 0);
}

TEST(HttpObjectFetchLarge, TwoHundredMegabyteBodyStreamedByTheServer) {
    constexpr size_t kSize = 200u * 1024 * 1024;
    LocalServer server;
    server.Http().Get("/huge", [](const httplib::Request&, httplib::Response& res) {
        // Streamed in pieces: the server never holds the whole body.
        res.set_content_provider(
            kSize, "application/octet-stream", [](size_t offset, size_t length, httplib::DataSink& sink) {
                std::string chunk(std::min<size_t>(length, 1 << 16), static_cast<char>(offset >> 20));
                return sink.write(chunk.data(), chunk.size());
            });
    });
    ASSERT_TRUE(server.Start());
    int status = 0;
    Bytes body = HttpObjectFetch(server.Url("/huge"), HttpMethod::Get, {}, std::nullopt, {}, {}, {}, status);
    EXPECT_EQ(status, 200);
    ASSERT_EQ(body.size(), kSize);
    EXPECT_EQ(body[(150u << 20) + 7], static_cast<char>(150));
}

}  // namespace
}  // namespace dorvane
