// The settings file as the user writes it (INI text) and every value it sets. Input: the file's text.
#include "FuzzInput.h"
#include "app/SettingsFile.h"

using namespace dorvane;

namespace {

// A pair as one line the reader takes back: the key alone (before any section), the value quoted with
// the escapes the reader knows.
std::string PrintedPair(const std::string& key, const std::string& value) {
    std::string line = key + "=\"";
    for (char c : value) {
        if (c == '\\' || c == '"') line += '\\';
        line += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return line + "\"\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fuzz::InputText(data, size);
    Settings settings;
    settings.siteHosts = {{"a", "a.example"}, {"c", "127.0.0.1:8080"}};
    for (const auto& [key, value] : ParseSettingsText(text)) {
        FUZZ_CHECK(!key.empty() && key.find('\n') == std::string::npos);
        // A key whose section holds "=" or starts like a comment has no line of its own.
        if (key.find('=') == std::string::npos && key[0] != ';' && key[0] != '#') {
            const auto again = ParseSettingsText(PrintedPair(key, value));
            FUZZ_CHECK(again.size() == 1 && again[0].first == key && again[0].second == value);
        }
        ApplySetting(settings, key, value);
    }
    // Whatever the file says, a value taken is within its bounds and a host stays a host.
    FUZZ_CHECK(settings.retries >= 0 && settings.retries <= 10);
    FUZZ_CHECK(settings.parallel >= 1 && settings.parallel <= 16);
    FUZZ_CHECK(settings.requestsPerSecond >= 0 && settings.requestsPerSecond <= 1000);
    FUZZ_CHECK(settings.maxBodyBytes >= (1LL << 20) && settings.maxBodyBytes <= (16384LL << 20));
    FUZZ_CHECK(settings.cataloguePort >= 0 && settings.cataloguePort <= 65535);
    for (const auto& [site, host] : settings.siteHosts) FUZZ_CHECK(IsValidHost(host));
    FUZZ_CHECK(settings.siteHosts.size() == 2);
    return 0;
}
