// Addresses taken from pages are GBK text and may hold blanks: every fetch path sends them as a browser
// would, UTF-8 and percent-encoded.
#include <gtest/gtest.h>

#include <functional>

#include "net/HttpFetch.h"
#include "net/HttpObjectFetch.h"
#include "net/HttpTestSupport.h"
#include "net/PlainDownload.h"
#include "support/RawServer.h"

namespace dorvane {
namespace {

TEST(HttpAddress, GbkAndBlanksArePercentEncodedAsUtf8OnEveryPath) {
    const struct {
        std::string path;
        std::string target;
    } addresses[] = {
        {"/plain/1.jpg?a=b&c=%20", "/plain/1.jpg?a=b&c=%20"},
        {"/a b.jpg", "/a%20b.jpg"},
        {Gbk("/图片/1.jpg"), "/%E5%9B%BE%E7%89%87/1.jpg"},
        {"/q?name=" + Gbk("采集") + "&x=1", "/q?name=%E9%87%87%E9%9B%86&x=1"},
    };
    const struct {
        const char* name;
        std::function<Bytes(const std::string&)> fetch;
    } paths[] = {
        {"HttpFetch", [](const std::string& url) { return HttpFetch(url); }},
        {"HttpObjectFetch", [](const std::string& url) { return HttpObjectFetch(url); }},
        {"PlainDownload", [](const std::string& url) { return PlainDownload(url); }},
    };
    test::RawServer server(test::Answer("found"));
    for (const auto& path : paths) {
        for (const auto& address : addresses) {
            SCOPED_TRACE(std::string(path.name) + " " + address.target);
            EXPECT_EQ(path.fetch(server.Url(address.path)), "found");
            EXPECT_EQ(server.LastRequest().target, address.target);
        }
    }
}

}  // namespace
}  // namespace dorvane
