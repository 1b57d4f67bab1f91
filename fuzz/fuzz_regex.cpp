// RegexObject over arbitrary page text with the patterns the program runs on pages (each site's listing,
// album, pager and tag patterns, the notice markers and the meta charset probe), and over arbitrary
// patterns. Input: a selector byte, then the page; with the last selector, pattern 0x01 page.
// Selector bits: low five pick the pattern, 0x20 case-sensitive, 0x40 single-line, 0x80 first match only.
#include <iterator>

#include "FuzzInput.h"
#include "text/RegexObject.h"

using namespace dorvane;

namespace {

// UTF-8 here, turned into GBK once, as the site modules do.
constexpr const char* kPatterns[] = {
    // Site A: menu, pager links, album listing, comment photos, all-albums listing.
    R"re(href="(\S*?)">(\S*?)</a></li>)re",
    R"re(href='(\S*?)'>(\S*?)</a>)re",
    R"re(/></a><span><a href="([\s\S]*?)" target="_blank">([\s\S]*?)</a></span><span)re",
    R"re( data-original="(\S*?)" width)re",
    R"re(<a href="(\S*?)" target="_blank">(\S*?)</a>)re",
    // Site B: tags, album count, listing.
    R"re(<li><a href="([\s\S]*?)">([\s\S]*?)</a></li>)re",
    R"re(<center><div id="pages" class="text-c"><a class="a1">([\s\S]*?)条</a>)re",
    R"re(target="_blank"><img src="([\s\S]*?)" alt="([\s\S]*?)" width="220" height="300"/></a>\s+<p>图片： ([\s\S]*?) 张</p>)re",
    // Sites C, D and E: listings.
    R"re(<a href *= *['"]*(\S+)["'] class="tits grey">([\s\S]*?)</a>)re",
    R"re(-data"><a href="([\s\S]*?)" target="_blank" title="([\s\S]*?)"><div class="posr")re",
    R"re(<a target="_blank" class="dec_img" href="([\s\S]*?)" title="([\s\S]*?)">)re",
    // The notice items and the charset probe of fetched pages.
    R"re(">【([\s\S]*?)】</p><p)re",
    R"re(<meta.+?charset=[^\w]?([-\w]+))re",
    // The quote marker stands for a double quote.
    R"re(<img src=#引号(\S*?)#引号)re",
};
constexpr size_t kPatternCount = std::size(kPatterns);

const Text& PatternAt(size_t index) {
    static const std::vector<Text> patterns = [] {
        std::vector<Text> gbk;
        for (const char* pattern : kPatterns) gbk.push_back(Gbk(pattern));
        return gbk;
    }();
    return patterns[index];
}

// A text handed back is cut out of the subject at the place reported.
void CheckPiece(const Text& subject, const Text& piece, long long position) {
    if (piece.empty()) return;
    FUZZ_CHECK(position >= 0 && static_cast<size_t>(position) + piece.size() <= subject.size());
    FUZZ_CHECK(subject.compare(static_cast<size_t>(position), piece.size(), piece) == 0);
}

void ReadEverything(const RegexObject& regex, const Text& subject) {
    const int count = regex.MatchCount();
    FUZZ_CHECK(count >= 0);
    const int groups = regex.SubMatchCount();
    for (int i = 0; i <= count + 1; ++i) {
        long long position = 0;
        const Text match = regex.MatchText(i, &position);
        CheckPiece(subject, match, position);
        for (int g = 0; g <= groups + 1; ++g) {
            const Text group = regex.SubMatchText(i, g, &position);
            CheckPiece(subject, group, position);
        }
    }
    regex.Replace("[$1|$2|$&|$$|$9]");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t selector = data[0];
    const size_t index = (selector & 0x1F) % (kPatternCount + 1);
    Text pattern;
    Text subject;
    if (index == kPatternCount) {
        std::vector<std::string> parts = fuzz::SplitParts(data + 1, size - 1, 2);
        pattern = std::move(parts[0]);
        subject = std::move(parts[1]);
    } else {
        pattern = PatternAt(index);
        subject = fuzz::InputText(data + 1, size - 1);
    }
    RegexObject regex;
    const bool valid = regex.Search(pattern, subject, (selector & 0x20) != 0, (selector & 0x40) == 0,
                                    (selector & 0x80) == 0, true);
    if (!valid) FUZZ_CHECK(regex.MatchCount() == 0);
    ReadEverything(regex, subject);
    return 0;
}
