#include "core/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/Text.h"

namespace dorvane {

namespace {

// iconv descriptors are not shareable between threads; opening one per call is cheap enough for the
// sizes this program converts (pages of at most a few megabytes) and keeps every call independent.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

void PinConversion(const char* to, const char* from);

// Bytes that stand for a replacement character in the target charset.
std::string Replacement(const char* toCharset) {
    PinConversion(toCharset, "UTF-8");
    IconvHandle cd(toCharset, "UTF-8");
    if (!cd.Valid()) return "?";
    char in[] = "?";
    char out[8];
    char* inPtr = in;
    size_t inLeft = 1;
    char* outPtr = out;
    size_t outLeft = sizeof out;
    if (iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return "?";
    return std::string(out, static_cast<size_t>(outPtr - out));
}

// Keeps one descriptor of every conversion in use open for the life of the process. The C library loads a
// conversion's module when a descriptor is opened and unloads it when the last one closes; pinned, a
// module is loaded once instead of being loaded and unloaded around every call on every thread.
void PinConversion(const char* to, const char* from) {
    static std::mutex mutex;
    static std::unordered_map<std::string, iconv_t>* pinned = new std::unordered_map<std::string, iconv_t>;
    std::lock_guard lock(mutex);
    const std::string key = std::string(to) + '\n' + from;
    if (pinned->count(key) == 0) (*pinned)[key] = iconv_open(to, from);
}

}  // namespace

std::optional<std::string> ConvertCharset(const std::string& input, const char* fromCharset, const char* toCharset) {
    PinConversion(toCharset, fromCharset);
    IconvHandle cd(toCharset, fromCharset);
    if (!cd.Valid()) return std::nullopt;
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* inPtr = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t used = 0;
    std::string replacement;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t rc = iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ (invalid or unrepresentable) or EINVAL (incomplete sequence at the end): put the
        // replacement character and skip one input unit.
        if (replacement.empty()) replacement = Replacement(toCharset);
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
        out.replace(used, replacement.size(), replacement);
        used += replacement.size();
        size_t skip = 1;
        // Skip whole code units for the wide encodings so the rest stays aligned.
        std::string from(fromCharset);
        for (auto& c : from) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        if (from.rfind("UTF-16", 0) == 0 || from == "UCS-2" || from == "UCS-2LE" || from == "UNICODE") skip = 2;
        if (from.rfind("UTF-32", 0) == 0 || from.rfind("UCS-4", 0) == 0) skip = 4;
        if (skip > inLeft) skip = inLeft;
        inPtr += skip;
        inLeft -= skip;
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    for (;;) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        if (iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            used = out.size() - outLeft;
            break;
        }
        if (errno != E2BIG) break;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

std::string GbkToUtf8(const std::string& gbk) {
    auto r = ConvertCharset(gbk, "GBK", "UTF-8");
    return r ? *r : std::string();
}

std::string Utf8ToGbkText(const std::string& utf8) {
    auto r = ConvertCharset(utf8, "UTF-8", "GBK");
    return r ? *r : std::string();
}

std::string SystemTextToUtf8(const std::string& text) {
    return ConvertCharset(text, "GB18030", "UTF-8").value_or(std::string());
}

std::string Utf8ToSystemText(const std::string& utf8) {
    return ConvertCharset(utf8, "UTF-8", "GB18030").value_or(std::string());
}

Text Gbk(const char* utf8) { return Utf8ToGbkText(utf8 ? utf8 : ""); }

}  // namespace dorvane
