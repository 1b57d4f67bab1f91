#include "net/HttpFetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
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

const std::string kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kEncoding = "Accept-Encoding: gbk, GB2312";
const std::string kLanguage = "Accept-Language: zh-cn";
const std::string kForm = "Content-Type: application/x-www-form-urlencoded";
const std::string kCache = "Cache-Control: no-cache";

struct HeaderCase {
    const char* name;
    int method;
    std::string extraHeaders;
    std::string sendCookies;
    bool addDefaultHeaders;
    bool normaliseHeaders;
    Lines expected;  // every line after Host, in order, except Content-Length
};

TEST(HttpFetchRequest, SendsExactlyTheBuiltHeaderLinesInOrder) {
    const std::vector<HeaderCase> cases = {
        {"defaults only", 0, "", "", true, true, {kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        {"caller line comes first, names normalised",
         0,
         "referer: http://a/",
         "",
         true,
         true,
         {"Referer: http://a/", kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        {"probe ignores case",
         0,
         "user-agent: X",
         "",
         true,
         true,
         {"User-Agent: X", kAccept, kEncoding, kLanguage, kCache}},
        {"probe needs the blank",
         0,
         "User-Agent:X",
         "",
         true,
         true,
         {"User-Agent:X", kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        {"post adds a form type",
         1,
         "",
         "",
         true,
         true,
         {kUserAgent, kAccept, kEncoding, kLanguage, kForm, kCache}},
        {"post keeps the caller's type",
         1,
         "content-type: text/plain",
         "",
         true,
         true,
         {"Content-Type: text/plain", kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        {"keep-alive line followed by others is removed",
         0,
         "Connection: keep-alive",
         "",
         true,
         true,
         {kUserAgent, kAccept, kEncoding, kLanguage, kCache}},
        {"keep-alive as the last line stays",
         0,
         "Connection: keep-alive",
         "",
         false,
         true,
         {"Connection: keep-alive"}},
        {"other connection values stay", 0, "Connection: close", "", false, true, {"Connection: close"}},
        {"cookie list becomes a cookie line",
         0,
         "",
         "a=1; b=2",
         true,
         true,
         {kUserAgent, kAccept, kEncoding, kLanguage, kCache, "Cookie: a=1; b=2"}},
        {"cookie line is sent unchanged", 0, "", "Cookie: a=1", false, true, {"Cookie: a=1"}},
        {"caller's cookie line wins", 0, "cookie: c=3", "a=1", false, true, {"Cookie: c=3"}},
        {"without normalising names stay as written",
         0,
         "x-lower: v\r\nAccept: */*",
         "",
         false,
         false,
         {"x-lower: v", "Accept: */*"}},
        {"lines without colon are dropped", 0, "garbage\r\nX-A: 1", "", false, true, {"X-A: 1"}},
        {"duplicates are kept", 0, "X-Dup: 1\r\nX-Dup: 2", "", false, true, {"X-Dup: 1", "X-Dup: 2"}},
        {"no headers at all: libcurl adds none of its own", 0, "", "", false, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(Answer("ok"));
        Text status;
        Text result = HttpFetch(server.Url("/h"), static_cast<HttpMethod>(c.method), {}, c.sendCookies, {},
                                c.extraHeaders, {}, false, {}, {}, {}, {}, {}, 5, {}, status, {}, true,
                                c.addDefaultHeaders, {}, c.normaliseHeaders);
        EXPECT_EQ(result, "ok");
        EXPECT_EQ(status, "200 OK");
        RawRequest request = server.LastRequest();
        ASSERT_FALSE(request.headerLines.empty());
        EXPECT_EQ(request.headerLines.front(), "Host: 127.0.0.1:" + std::to_string(server.Port()));
        EXPECT_EQ(CallerLines(request), c.expected);
    }
}

TEST(HttpFetchRequest, MethodNumbersSelectTheVerbAndBodiesGoOutOnEveryVerb) {
    const struct {
        int method;
        const char* verb;
        std::string body;
    } cases[] = {
        {0, "GET", ""},     {0, "GET", "q=1"},  {1, "POST", "a=1&b=2"}, {1, "POST", ""},
        {3, "PUT", "data"}, {4, "OPTIONS", ""}, {5, "DELETE", ""},      {6, "TRACE", ""},
        {7, "CONNECT", ""}, {9, "GET", ""},     {-1, "GET", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.method) + " " + c.verb + " body=" + c.body);
        RawServer server(Answer("done"));
        Text status;
        HttpFetch(server.Url("/m?x=1"), static_cast<HttpMethod>(c.method), c.body, {}, {}, {}, {}, false, {},
                  {}, {}, {}, {}, 5, {}, status);
        EXPECT_EQ(status, "200 OK");
        RawRequest request = server.LastRequest();
        EXPECT_EQ(request.requestLine, std::string(c.verb) + " /m?x=1 HTTP/1.1");
        EXPECT_EQ(request.body, c.body);
    }
    EXPECT_STREQ(HttpVerb(HttpMethod::Head), "HEAD");
    EXPECT_STREQ(HttpVerb(static_cast<HttpMethod>(8)), "GET");
}

TEST(HttpFetchRequest, PostBytesWinOverPostTextAndKeepZeroBytes) {
    RawServer server(Answer("ok"));
    const Bytes bytes("a\0b\xff", 4);
    HttpFetch(server.Url("/p"), HttpMethod::Post, "ignored", {}, {}, {}, {}, false, {}, {}, {}, {}, {}, 5, {},
              {}, {}, true, true, bytes);
    EXPECT_EQ(server.LastRequest().body, bytes);
}

TEST(HttpFetchRequest, HeadDoesNotWaitForABodyAndAddressWithoutPathAsksForRoot) {
    RawServer server([](const RawRequest&, RawConnection& connection) {
        // A HEAD answer announces a length but carries no body; the connection stays open.
        connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
        connection.Stall();
    });
    Text status;
    Text result = HttpFetch("http://127.0.0.1:" + std::to_string(server.Port()), HttpMethod::Head, {}, {}, {},
                            {}, {}, false, {}, {}, {}, {}, {}, 5, {}, status);
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(result, "");
    EXPECT_EQ(server.LastRequest().requestLine, "HEAD / HTTP/1.1");
}

TEST(HttpFetchRequest, ServerCredentialsNeedBothHalves) {
    const struct {
        const char* user;
        const char* password;
        const char* expected;
    } cases[] = {{"u", "p", "Basic dTpw"}, {"u", "", ""}, {"", "p", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + ":" + c.password);
        LocalServer server;
        server.Http().Get("/auth", [](const httplib::Request& req, httplib::Response& res) {
            if (req.get_header_value("Authorization") == "Basic dTpw") {
                res.set_content("welcome", "text/plain");
            } else {
                res.status = 401;
                res.set_header("WWW-Authenticate", "Basic realm=\"t\"");
                res.set_content("denied", "text/plain");
            }
        });
        ASSERT_TRUE(server.Start());
        HttpFetch(server.Url("/auth"), HttpMethod::Get, {}, {}, {}, {}, {}, false, c.user, c.password, {}, {},
                  {}, 5);
        EXPECT_EQ(server.LastRequest().Header("Authorization"), c.expected);
    }
}

class HttpFetchResponse : public ::testing::Test {
protected:
    void SetUp() override {
        auto& http = m_server.Http();
        http.Get("/cookies", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "sid=abc; path=/");
            res.set_header("Set-Cookie", "t=1");
            res.set_content("c", "text/plain");
        });
        http.Get("/zero", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("abc\0def", 7), "application/octet-stream");
        });
        http.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
        http.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("no such page", "text/html");
        });
        http.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("it broke", "text/html");
        });
        auto start = [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "hop=1; path=/");
            res.set_header("X-Hop", "1");
            res.set_redirect("/final", 302);
        };
        http.Get("/start", start);
        http.Post("/start", start);
        http.Get("/final", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "end=2");
            res.set_header("X-Final", "yes");
            res.set_content("arrived", "text/html");
        });
        ASSERT_TRUE(m_server.Start());
    }
    LocalServer m_server;
};

TEST_F(HttpFetchResponse, StatusCookiesAndBodyOfTheAnswer) {
    const struct {
        const char* path;
        std::string sendCookies;
        std::string prefilled;
        bool mergeCookies;
        std::string result;
        std::string bytes;
        std::string status;
        std::string cookies;
    } cases[] = {
        {"/cookies", "", "", true, "c", "c", "200 OK", "sid=abc; t=1"},
        {"/cookies", "", "old=0", true, "c", "c", "200 OK", "old=0sid=abc; t=1"},
        {"/cookies", "a=1; sid=x", "", true, "c", "c", "200 OK", "sid=abc; t=1; a=1"},
        {"/cookies", "a=1", "", false, "c", "c", "200 OK", "sid=abc; t=1"},
        {"/zero", "", "", true, "abc", std::string("abc\0def", 7), "200 OK", ""},
        {"/empty", "", "", true, "", "", "204 No Content", ""},
        {"/missing", "", "", true, "no such page", "no such page", "404 Not Found", ""},
        {"/broken", "", "", true, "it broke", "it broke", "500 Internal Server Error", ""},
        {"/missing", "a=1; a=1; b=deleted", "", true, "no such page", "no such page", "404 Not Found", "a=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " cookies=" + c.sendCookies);
        Text cookies = c.prefilled, headers, status, location;
        Bytes bytes;
        Text result =
            HttpFetch(m_server.Url(c.path), HttpMethod::Get, {}, c.sendCookies, cookies, {}, headers, false,
                      {}, {}, {}, {}, {}, 5, location, status, bytes, c.mergeCookies);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(cookies, c.cookies);
        EXPECT_EQ(headers.rfind("HTTP/1.1 " + c.status + "\r\n", 0), 0u) << headers;
        EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
        EXPECT_EQ(location, "");
    }
}

TEST_F(HttpFetchResponse, RedirectsReportTheFinalAnswerOnlyUnlessSwitchedOff) {
    Text cookies, headers, status, location;
    Text result = HttpFetch(m_server.Url("/start"), HttpMethod::Get, {}, {}, cookies, {}, headers, false, {},
                            {}, {}, {}, {}, 5, location, status);
    EXPECT_EQ(result, "arrived");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(cookies, "end=2");
    EXPECT_EQ(location, "");
    EXPECT_NE(headers.find("X-Final: yes"), std::string::npos);
    EXPECT_EQ(headers.find("X-Hop"), std::string::npos);
    EXPECT_EQ(headers.find("HTTP/1.1 302"), std::string::npos);

    cookies.clear();
    headers.clear();
    result = HttpFetch(m_server.Url("/start"), HttpMethod::Get, {}, {}, cookies, {}, headers, true, {}, {},
                       {}, {}, {}, 5, location, status);
    EXPECT_EQ(status, "302 Found");
    EXPECT_EQ(location, "/final");
    EXPECT_EQ(cookies, "hop=1");
    EXPECT_NE(headers.find("X-Hop: 1"), std::string::npos);
    EXPECT_EQ(m_server.RequestCount(), 3u);

    // A POST answered with 302 goes on as a GET, as browsers do.
    result = HttpFetch(m_server.Url("/start"), HttpMethod::Post, "form=1", {}, {}, {}, {}, false, {}, {}, {},
                       {}, {}, 5, {}, status);
    EXPECT_EQ(result, "arrived");
    EXPECT_EQ(m_server.LastRequest().method, "GET");
}

TEST(HttpFetchRequest, ProxyEnvironmentVariablesAreIgnored) {
    RawServer server(Answer("direct"));
    const char* names[] = {"http_proxy", "HTTPS_PROXY", "ALL_PROXY"};
    for (const char* name : names) setenv(name, "http://127.0.0.1:1", 1);
    Text result =
        HttpFetch(server.Url("/d"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {}, {}, {}, 5);
    for (const char* name : names) unsetenv(name);
    EXPECT_EQ(result, "direct");
}

TEST(HttpFetchCharset, MetaCharsetDecidesTheConversionToGbk) {
    const std::string chinese = "\xe9\x87\x87\xe9\x9b\x86";  // "采集" in UTF-8
    const std::string gbkChinese = Gbk("采集");
    const std::string padding(1100, ' ');
    const struct {
        const char* name;
        std::string body;
        std::string expected;
    } cases[] = {
        {"utf-8 page becomes gbk", "<html><meta charset=\"utf-8\">" + chinese + "</html>",
         "<html><meta charset=\"utf-8\">" + gbkChinese + "</html>"},
        {"http-equiv form",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />" + chinese,
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />" + gbkChinese},
        {"gbk page stays", "<meta charset=gbk>" + gbkChinese, "<meta charset=gbk>" + gbkChinese},
        {"gb2312 stays even when the bytes are utf-8", "<meta charset=gb2312>" + chinese,
         "<meta charset=gb2312>" + chinese},
        {"GBK in capitals goes through the converter", "<meta charset=GBK>" + gbkChinese,
         "<meta charset=GBK>" + gbkChinese},
        {"unknown charset keeps the bytes", "<meta charset=x-no-such-set>" + chinese,
         "<meta charset=x-no-such-set>" + chinese},
        {"no meta tag keeps the bytes", "<p>" + chinese + "</p>", "<p>" + chinese + "</p>"},
        {"meta tag past 1024 bytes is not seen", padding + "<meta charset=utf-8>" + chinese,
         padding + "<meta charset=utf-8>" + chinese},
        {"converted text ends at a zero byte", "<meta charset=utf-8>" + chinese + std::string("\0tail", 5),
         "<meta charset=utf-8>" + gbkChinese},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(Answer(c.body, {"Content-Type: text/html"}));
        Bytes bytes;
        Text result = HttpFetch(server.Url("/page"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {},
                                {}, {}, 5, {}, {}, bytes);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(bytes, c.body);  // the raw bytes are never converted
    }
}

TEST(HttpFetchFailure, EachFailingStepReportsItsNumberedMessage) {
    RawServer stalling([](const RawRequest&, RawConnection& connection) { connection.Stall(); });
    RawServer hangingUp([](const RawRequest&, RawConnection&) {});
    RawServer garbage(
        [](const RawRequest&, RawConnection& connection) { connection.Write("SSH-2.0-nonsense\r\n\r\n"); });
    RawServer slowHeader([](const RawRequest&, RawConnection& connection) {
        connection.Write("HTTP/1.1 200 OK\r\nContent-");
        connection.Stall();
    });
    RawServer toFtp([](const RawRequest&, RawConnection& connection) {
        connection.Respond("HTTP/1.1 302 Found", {"Location: ftp://127.0.0.1/file"}, "");
    });
    RawServer toNowhere([](const RawRequest&, RawConnection& connection) {
        connection.Respond("HTTP/1.1 301 Moved Permanently", {"Location: http://" + UnresolvableHost() + "/"},
                           "");
    });
    int closedPort = 0;
    {
        RawServer gone(Answer(""));
        closedPort = gone.Port();
    }
    const struct {
        const char* name;
        std::string url;
        std::string extraHeaders;
        bool normalise;
        const char* message;
    } cases[] = {
        {"empty address", "", "", true, "701 解析URL地址失败!"},
        {"no scheme", "127.0.0.1/page", "", true, "701 解析URL地址失败!"},
        {"malformed", "http://[::1/", "", true, "701 解析URL地址失败!"},
        {"unknown scheme", "ftp://127.0.0.1/file", "", true, "701 解析URL地址失败!"},
        {"file scheme", "file:///etc/passwd", "", true, "701 解析URL地址失败!"},
        {"header line with a bare line feed", stalling.Url("/"), "X-A: 1\nX-B: 2", false,
         "710 设置协议头失败!"},
        {"host does not resolve", "http://" + UnresolvableHost() + "/", "", true, "711 发送请求失败!"},
        {"nobody listens", "http://127.0.0.1:" + std::to_string(closedPort) + "/", "", true,
         "711 发送请求失败!"},
        {"server never answers", stalling.Url("/"), "", true, "712 服务器未响应!"},
        {"server hangs up without an answer", hangingUp.Url("/"), "", true, "712 服务器未响应!"},
        {"answer is not http", garbage.Url("/"), "", true, "712 服务器未响应!"},
        {"header stops half way", slowHeader.Url("/"), "", true, "712 服务器未响应!"},
        {"redirect to a scheme that is not http", toFtp.Url("/"), "", true, "712 服务器未响应!"},
        {"redirect to a host that does not resolve", toNowhere.Url("/"), "", true, "712 服务器未响应!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text cookies = "untouched", headers = "untouched", location = "untouched", status;
        Bytes bytes = "untouched";
        Text result = HttpFetch(c.url, HttpMethod::Get, {}, {}, cookies, c.extraHeaders, headers, false, {},
                                {}, {}, {}, {}, 1, location, status, bytes, true, true, {}, c.normalise);
        EXPECT_EQ(result, "");
        EXPECT_EQ(status, Gbk(c.message));
        // Failures write nothing but the message.
        EXPECT_EQ(cookies, "untouched");
        EXPECT_EQ(headers, "untouched");
        EXPECT_EQ(location, "untouched");
        EXPECT_EQ(bytes, "untouched");
    }
}

TEST(HttpFetchFailure, BodyThatStopsHalfWayReturnsThePartReadWithTheStatusLine) {
    const std::string part(5000, 'x');
    const struct {
        const char* name;
        RawServer::Handler handler;
    } cases[] = {
        {"peer closes early",
         [part](const RawRequest&, RawConnection& connection) {
             connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + part);
         }},
        {"peer resets",
         [part](const RawRequest&, RawConnection& connection) {
             connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + part);
             std::this_thread::sleep_for(std::chrono::milliseconds(100));
             connection.Reset();
         }},
        {"peer stalls",
         [part](const RawRequest&, RawConnection& connection) {
             connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + part);
             connection.Stall();
         }},
        {"chunked body breaks off",
         [part](const RawRequest&, RawConnection& connection) {
             connection.Write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1388\r\n" + part +
                              "\r\nzz");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawServer server(c.handler);
        Text status;
        Bytes bytes;
        Text result = HttpFetch(server.Url("/big"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {},
                                {}, {}, 1, {}, status, bytes);
        EXPECT_EQ(status, "200 OK");
        EXPECT_EQ(result, part);
        EXPECT_EQ(bytes, part);
    }
}

TEST(HttpFetchTls, SelfSignedCertificateIsAccepted) {
    LocalServer server(LocalServer::Scheme::Https);
    server.Http().Get("/secure", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("over tls", "text/plain");
    });
    ASSERT_TRUE(server.Start());
    Text status;
    EXPECT_EQ(HttpFetch(server.Url("/secure"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {}, {}, {},
                        5, {}, status),
              "over tls");
    EXPECT_EQ(status, "200 OK");
}

class HttpFetchProxy : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::TinyProxy::Available()) GTEST_SKIP() << "tinyproxy is not installed";
        for (LocalServer* server : {&m_http, &m_https}) {
            server->Http().Get("/via", [](const httplib::Request& req, httplib::Response& res) {
                res.set_content("proxied " + req.get_header_value("Via"), "text/plain");
            });
            ASSERT_TRUE(server->Start());
        }
    }
    LocalServer m_http;
    LocalServer m_https{LocalServer::Scheme::Https};
};

TEST_F(HttpFetchProxy, PlainAndTunnelledRequestsWithAndWithoutProxyCredentials) {
    test::TinyProxy open;
    test::TinyProxy guarded("keeper", "s3cret");
    ASSERT_TRUE(open.Running());
    ASSERT_TRUE(guarded.Running());
    const struct {
        const char* name;
        LocalServer* server;
        test::TinyProxy* proxy;
        const char* user;
        const char* password;
        std::string status;
        bool reachesServer;
    } cases[] = {
        {"http through an open proxy", &m_http, &open, "", "", "200 OK", true},
        {"https tunnel through an open proxy", &m_https, &open, "", "", "200 OK", true},
        {"http with credentials", &m_http, &guarded, "keeper", "s3cret", "200 OK", true},
        {"https tunnel with credentials", &m_https, &guarded, "keeper", "s3cret", "200 OK", true},
        {"http without credentials is refused by the proxy", &m_http, &guarded, "", "",
         "407 Proxy Authentication Required", false},
        {"wrong password (tinyproxy answers 401)", &m_http, &guarded, "keeper", "wrong", "401 Unauthorized",
         false},
        {"https tunnel refused: the proxy's answer is reported", &m_https, &guarded, "", "",
         "407 Proxy Authentication Required", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        size_t before = c.server->RequestCount();
        Text status;
        Text result = HttpFetch(c.server->Url("/via"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {},
                                c.proxy->Address(), c.user, c.password, 5, {}, status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(c.server->RequestCount(), before + (c.reachesServer ? 1 : 0));
        if (c.reachesServer) {
            EXPECT_EQ(result.rfind("proxied", 0), 0u);
            // The proxy's credentials are for the proxy alone.
            EXPECT_EQ(c.server->LastRequest().HeaderCount("Proxy-Authorization"), 0u);
        }
    }
}

TEST(HttpFetchCancel, StoppingTheWorkerAbortsAStalledTransfer) {
    std::atomic<int> requests{0};
    RawServer server([&requests](const RawRequest&, RawConnection& connection) {
        ++requests;
        connection.Stall();
    });
    Text status;
    Text result = "unset";
    auto token = StartWorkerThread([&] {
        // Default time-out (30 s): only the stop can end this transfer early.
        result = HttpFetch(server.Url("/slow"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {}, {},
                           {}, 0, {}, status);
    });
    ASSERT_NE(token, nullptr);
    while (requests.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    token->RequestStop();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(20)));
    EXPECT_EQ(result, "");
    EXPECT_EQ(status, Gbk("712 服务器未响应!"));
}

TEST(HttpFetchLarge, StreamedBodyArrivesWhole) {
    constexpr size_t kSize = 64u * 1024 * 1024;
    LocalServer server;
    server.Http().Get("/large", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            kSize, "application/octet-stream", [](size_t offset, size_t length, httplib::DataSink& sink) {
                std::string chunk(std::min<size_t>(length, 1 << 16), static_cast<char>('a' + offset % 26));
                return sink.write(chunk.data(), chunk.size());
            });
    });
    ASSERT_TRUE(server.Start());
    Text status;
    Text result = HttpFetch(server.Url("/large"), HttpMethod::Get, {}, {}, {}, {}, {}, false, {}, {}, {}, {},
                            {}, 5, {}, status);
    EXPECT_EQ(status, "200 OK");
    ASSERT_EQ(result.size(), kSize);
    EXPECT_EQ(result.front(), 'a');
}

}  // namespace
}  // namespace dorvane
