#include "net/PageDecoding.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/CodePage.h"
#include "text/RegexObject.h"

namespace dorvane {

namespace {

constexpr size_t kDeclarationWindow = 1024;

size_t FirstZero(const Bytes& bytes) { return std::min(bytes.find('\0'), bytes.size()); }

// The charset a page names in a meta tag within the given text; empty when none.
Text DeclaredCharset(const Text& text) {
    RegexObject regex;
    if (!regex.Search("<meta.+?charset=[^\\w]?([-\\w]+)", text)) return {};
    if (regex.MatchCount() < 1) return {};
    return regex.SubMatchText(1, 1);
}

// The page converted from the charset it declares; nullopt when it declares none to convert from.
std::optional<Text> ConvertDeclared(const Bytes& body) {
    const Text charset = DeclaredCharset(body.substr(0, std::min(FirstZero(body), kDeclarationWindow)));
    if (charset.empty() || charset == "gbk" || charset == "gb2312") return std::nullopt;
    std::optional<Text> text = ConvertCharset(body, charset.c_str(), "GBK");
    if (text) text->resize(FirstZero(*text));
    return text;
}

}  // namespace

Text DecodePageBody(const Bytes& body, const Text&) {
    if (std::optional<Text> text = ConvertDeclared(body)) return std::move(*text);
    return body.substr(0, FirstZero(body));
}

Text DecodeOwnedPageBody(Bytes&& body, const Text&) {
    if (std::optional<Text> text = ConvertDeclared(body)) return std::move(*text);
    body.resize(FirstZero(body));
    return std::move(body);
}

}  // namespace dorvane
