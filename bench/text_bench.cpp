// Throughput of the two ways collectors take albums out of a listing page: a regular-expression search
// with every group read back (GBK to UTF-8 and back included), and marker cutting.
#include <benchmark/benchmark.h>

#include <string>

#include "core/Text.h"
#include "text/Markers.h"
#include "text/RegexObject.h"

namespace {

using dorvane::Gbk;
using dorvane::Text;

constexpr int kAlbums = 2000;

// About 1 MB: 2,000 albums with GBK titles, each wrapped in markup and filler as listing pages carry.
const Text& ListingPage() {
    static const Text page = [] {
        const Text title = Gbk("清新写真套图第");
        const Text caption = Gbk("浏览次数：人气很高，欢迎收藏本站。");
        Text filler = "<div class=\"ad-slot\"><script>var x = 1;</script>";
        while (filler.size() < 330) filler += "<span class=\"meta\">" + caption + "</span>\r\n";
        filler += "</div>\r\n";
        Text text =
            "<html><head><meta charset=\"gbk\"><title>" + Gbk("列表") + "</title></head><body><ul>\r\n";
        for (int i = 0; i < kAlbums; ++i) {
            const std::string number = std::to_string(100000 + i);
            text += "<li class=\"item\"><div class=\"img\"><img src=\"/thumb/" + number +
                    ".jpg\" alt=\"\"></div>\r\n";
            text += "<a href=\"/photo/" + number + ".html\" class=\"tits grey\">" + title + " " + number +
                    Gbk(" 期") + "</a>\r\n";
            text += filler;
            text += "</li>\r\n";
        }
        text += "</ul></body></html>\r\n";
        return text;
    }();
    return page;
}

void RegexListing(benchmark::State& state) {
    const Text& page = ListingPage();
    const Text pattern = R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re";
    size_t bytes = 0;
    for (auto _ : state) {
        dorvane::RegexObject re;
        if (!re.Search(pattern, page)) state.SkipWithError("search failed");
        const int count = re.MatchCount();
        if (count != kAlbums) state.SkipWithError("wrong album count");
        for (int i = 1; i <= count; ++i) {
            bytes += re.SubMatchText(i, 1).size();
            bytes += re.SubMatchText(i, 2).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
    state.counters["page_bytes"] = static_cast<double>(page.size());
}
BENCHMARK(RegexListing)->Unit(benchmark::kMillisecond);

void TextBetweenAllListing(benchmark::State& state) {
    const Text& page = ListingPage();
    const Text left = "<a href=\"";
    const Text right = "\" class=\"tits grey\">";
    dorvane::TextList items;
    for (auto _ : state) {
        const int count = dorvane::TextBetweenAll(page, left, right, items);
        if (count != kAlbums) state.SkipWithError("wrong album count");
        benchmark::DoNotOptimize(items.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(TextBetweenAllListing)->Unit(benchmark::kMillisecond);

void TextBetweenAllIgnoringCase(benchmark::State& state) {
    const Text& page = ListingPage();
    dorvane::TextList items;
    for (auto _ : state) {
        const int count = dorvane::TextBetweenAll(page, "<A HREF=\"", "\" CLASS=\"TITS GREY\">", items, true);
        if (count != kAlbums) state.SkipWithError("wrong album count");
        benchmark::DoNotOptimize(items.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(TextBetweenAllIgnoringCase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
