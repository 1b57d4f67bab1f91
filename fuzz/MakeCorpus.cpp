// Writes the seed corpora of the fuzz targets: pages of the demo sites (the tests' fixture), the demo
// notice page, catalogue messages as the demo catalogue server sends them, header and cookie texts,
// escapes and small real images. Usage: fuzz_make_corpus CORPUS_FOLDER (one folder per target inside).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Text.h"
#include "demo/DemoImages.h"
#include "demo/DemoServer.h"
#include "demo/DemoSites.h"
#include "demo/ImageEncoding.h"
#include "text/Wide.h"

namespace fs = std::filesystem;
using namespace dorvane;
using namespace dorvane::demo;

namespace {

fs::path g_root;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path folder = g_root / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string Parts(const std::vector<std::string>& parts) {
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) joined += (i ? "\x01" : "") + parts[i];
    return joined;
}

DemoOptions SmallSites() {
    DemoOptions options;
    options.pageCount = 3;
    options.albumsPerPage = 2;
    options.imagesPerAlbum = 3;
    return options;
}

void SitePages(DemoSites& sites) {
    const auto gbk = [&sites](const char* path) { return Utf8ToGbk(sites.Body(path)); };
    Write("fuzz_site_a", "home", gbk("/"));
    Write("fuzz_site_a", "category", gbk("/xinggan/"));
    Write("fuzz_site_a", "category-page2", gbk("/xinggan/page/2"));
    Write("fuzz_site_a", "comments", gbk("/zipai/"));
    Write("fuzz_site_a", "all-albums", gbk("/all/"));
    Write("fuzz_site_a", "album", gbk("/10001"));
    Write("fuzz_site_a", "album-page2", gbk("/10001/2"));
    const std::string tagPath = sites.TagUrl(0).substr(sites.HomeB().size() - 1);
    Write("fuzz_site_b", "home", gbk("/"));
    Write("fuzz_site_b", "tag", gbk(tagPath.c_str()));
    Write("fuzz_site_b", "tag-page2", gbk((tagPath + "2.html").c_str()));
    Write("fuzz_site_c", "index", gbk("/photo/index/2"));
    Write("fuzz_site_c", "listing", gbk("/photo/index/2-0-2"));
    Write("fuzz_site_c", "album", gbk("/photo/c/1.html"));
    Write("fuzz_site_d", "first-listing", gbk("/dmmt"));
    Write("fuzz_site_d", "listing", gbk("/dmmt/page/2"));
    Write("fuzz_site_d", "album", gbk("/dmmt/1.html"));
    Write("fuzz_site_e", "first-listing", sites.Body("/meituxinshang/p1.html"));
    Write("fuzz_site_e", "listing", sites.Body("/meituxinshang/p2.html"));
    Write("fuzz_site_e", "album", sites.Body("/meituxinshang/a1.html"));
}

// A selector byte (the pattern's index in fuzz_regex.cpp) before a page the pattern finds things in.
void RegexSeeds(DemoSites& sites, const std::string& notice) {
    const auto gbk = [&sites](const char* path) { return Utf8ToGbk(sites.Body(path)); };
    const std::string tagPath = sites.TagUrl(0).substr(sites.HomeB().size() - 1);
    const std::vector<std::string> pages = {gbk("/"),
                                            gbk("/xinggan/"),
                                            gbk("/xinggan/page/2"),
                                            gbk("/zipai/"),
                                            gbk("/all/"),
                                            gbk("/"),
                                            gbk(tagPath.c_str()),
                                            gbk(tagPath.c_str()),
                                            gbk("/photo/index/2-0-1"),
                                            gbk("/dmmt/page/1"),
                                            sites.Body("/meituxinshang/p1.html"),
                                            notice,
                                            sites.Body("/meituxinshang/p1.html"),
                                            gbk("/photo/c/1.html")};
    for (size_t i = 0; i < pages.size(); ++i)
        Write("fuzz_regex", "pattern" + std::to_string(i), std::string(1, static_cast<char>(i)) + pages[i]);
    // The selector after the fixed patterns takes a pattern of its own.
    const char own = static_cast<char>(pages.size());
    Write("fuzz_regex", "own-pattern", own + Parts({R"((\w+)=(\d+)(?:;|$))", "a=1;b=22;c=x;d=4"}));
    Write("fuzz_regex", "own-pattern-groups", own + Parts({R"((?<name>a)|(b)(c)?)", "abcab\r\nb"}));
}

void NoticeSeeds(const std::string& notice) {
    Write("fuzz_notice", "newer", notice);
    Write("fuzz_notice", "with-tag", Parts({notice, "V5.2.300102"}));
    Write("fuzz_notice", "one-item", Parts({Gbk("<p class=\"a\">【V5.2.200609】</p><p>"), "V5.2.200608"}));
}

void CatalogueSeeds() {
    const std::string top = Gbk("$xtml$[1]秀人 系列合集\r\n[2]COSPLAY 系列合集\r\n");
    const std::string category = Gbk("$m1xr$[11]秀人 分类 1\r\n[12]秀人 分类 2\r\n");
    const std::string downloads = Gbk("$zmcs$[21-1]COSPLAY 图包 第1期\r\n[21-2]COSPLAY 图包 第2期\r\n");
    const std::string address = "$gmcs$https://pan.dorvane.example/s/21-1";
    const std::string announcement = Gbk("$xtgg$欢迎使用$xtgg$");
    const std::string tip = Gbk("$xtts$请稍候");
    Write("fuzz_catalogue", "top", "\x07" + top);
    Write("fuzz_catalogue", "category", "\x01" + category);
    Write("fuzz_catalogue", "downloads", "\x05" + downloads);
    Write("fuzz_catalogue", "address", "\x03" + address);
    Write("fuzz_catalogue", "stream", "\x0d" + announcement + top + tip + category + downloads + address);
}

// The response header block, then the body as the server sent it.
void PageDecodingSeeds(DemoSites& sites, const std::string& notice) {
    const std::string utf8 = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n";
    const std::string plain = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    Write("fuzz_page_decoding", "meta-gb2312", Parts({plain, sites.Body("/meituxinshang/p1.html")}));
    Write("fuzz_page_decoding", "utf8-page", Parts({utf8, sites.Body("/photo/index/2-0-1")}));
    Write("fuzz_page_decoding", "notice", Parts({utf8, notice}));
    Write("fuzz_page_decoding", "meta-big5",
          Parts({plain, "<html><META content=\"text/html; charset='big5'\">\xa4\xa4"}));
    Write("fuzz_page_decoding", "meta-unknown", Parts({utf8, "<meta charset=x-none-such>\xe4\xb8\xad"}));
    Write("fuzz_page_decoding", "zero-byte",
          Parts({plain, std::string("<meta charset=utf-8>a\0<meta charset=gbk>", 40)}));
}

void HeaderSeeds() {
    Write("fuzz_headers", "request",
          Parts({"user-agent: x\r\nreferer: https://h/\r\nno colon\r\naccept-language: zh", "referer"}));
    Write("fuzz_headers", "response",
          Parts({"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gbk\r\nSet-Cookie: a=1; path=/\r\n"
                 "Set-Cookie: b=deleted\r\nSet-Cookie: c=3\r\nset-cookie: d=4\r\n",
                 "Content-Type"}));
    Write("fuzz_headers", "cookies", Parts({"a=1; b=2; c=3;", "b=5; d=deleted; a=1", "; "}));
    Write("fuzz_headers", "repeats", Parts({"x|y|x||y|z", "", "|"}));
}

void CodecSeeds() {
    Write("fuzz_codecs", "escapes", "%u4E2D%u6587 %41%4a \\u0041 %u00 %zz %");
    Write("fuzz_codecs", "surrogates", "%uD83D%uDE00 %uDC00 %uD800x");
    Write("fuzz_codecs", "guards", Gbk("it's {$} ’ \r\nline"));
    Write("fuzz_codecs", "utf16", std::string("A\0\x2d\x4e\x87\x65\x3d\xd8\x00\xde\x00\xdc", 12));
}

void ImageSeeds() {
    Write("fuzz_image", "baseline.jpg", MakeJpeg(1, 0, 16, 12));
    Write("fuzz_image", "rgb.png", MakePng(2, 8, 8));
    const std::vector<unsigned char> grey(9 * 7, 0x80);
    Write("fuzz_image", "progressive-grey.jpg", EncodeJpeg(grey, 9, 7, 1, true, {"comment"}));
    const std::vector<unsigned char> palette(5 * 4, 1);
    Write("fuzz_image", "palette-interlaced.png",
          EncodePng(palette, 5, 4, PNG_COLOR_TYPE_PALETTE, 8, true, {{0, 0, 0}, {255, 0, 0}}));
    const std::vector<unsigned char> rgba16(3 * 3 * 8, 0x7f);
    Write("fuzz_image", "rgba16.png", EncodePng(rgba16, 3, 3, PNG_COLOR_TYPE_RGB_ALPHA, 16));
    const std::string jpeg = MakeJpeg(3, 0, 24, 16);
    Write("fuzz_image", "truncated.jpg", jpeg.substr(0, jpeg.size() / 2));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    DemoServer server;
    DemoSites& sites = server.Sites();
    const std::string notice = Utf8ToGbk(sites.Body(std::string("/docs/") + kNewerNotice + "/read"));
    DemoSites small(SmallSites());
    SitePages(small);
    RegexSeeds(small, notice);
    NoticeSeeds(notice);
    PageDecodingSeeds(small, sites.Body(std::string("/docs/") + kNewerNotice + "/read"));
    CatalogueSeeds();
    HeaderSeeds();
    CodecSeeds();
    ImageSeeds();
    return 0;
}
