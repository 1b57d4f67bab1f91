// Page decoding on hostile bytes (the ordinary pages go through HttpFetch in HttpFetchTest).
#include "net/PageDecoding.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

TEST(DecodePageBody, OddBytesAndDeclarationsComeOutAsText) {
    std::string metas;
    for (int k = 0; k < 300; ++k) metas += "<meta ";
    const std::string longName = "<meta charset=" + std::string(300, 'x') + ">";
    const struct {
        const char* name;
        Bytes body;
        Text headers;
        Text expected;
    } cases[] = {
        {"empty", "", "", ""},
        {"invalid bytes under a declared utf-8", "<meta charset=utf-8>\xff\xfe!", "",
         "<meta charset=utf-8>?" "?!"},
        {"unknown charset name of any length", longName + "body", "", longName + "body"},
        {"many meta tags without a charset", metas, "", metas},
        {"zero byte before the declaration", Bytes("a\0<meta charset=utf-8>\xe9\x87\x87", 25), "", "a"},
        {"the header's charset is not consulted", "\xe9\x87\x87",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", "\xe9\x87\x87"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodePageBody(c.body, c.headers), c.expected);
        EXPECT_EQ(DecodeOwnedPageBody(Bytes(c.body), c.headers), c.expected);
    }
}

}  // namespace
}  // namespace dorvane
