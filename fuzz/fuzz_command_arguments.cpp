// The arguments of "dorvane list" and "dorvane collect". Input: the words after the program's name,
// separated by 0x01.
#include "FuzzInput.h"
#include "app/CommandArguments.h"
#include "core/Settings.h"

using namespace dorvane;

namespace {

// The words as the program's argv holds them: each ends at its first zero byte.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words{"dorvane"};
    size_t start = 0;
    for (size_t end; (end = text.find(fuzz::kPartSeparator, start)) != std::string::npos; start = end + 1)
        words.push_back(text.substr(start, end - start).c_str());
    words.push_back(text.substr(start).c_str());
    return words;
}

// The arguments written back in one form of their own: every value joined to its option by "=".
std::vector<std::string> Printed(const CommandArguments& a) {
    const char* verbs[] = {"list", "collect", "menu", "history"};
    std::vector<std::string> words{"dorvane", verbs[static_cast<int>(a.verb)]};
    if (!a.site.empty()) words.push_back(a.site);
    if (a.categoryGiven) words.push_back("--category=" + std::to_string(a.category));
    if (a.lastPage != 0) words.push_back("--pages=" + std::to_string(a.page) + "-" + std::to_string(a.lastPage));
    else if (a.pageGiven) words.push_back("--page=" + std::to_string(a.page));
    if (a.newOnly) words.push_back("--new-only");
    if (!a.outFolder.empty()) words.push_back("--out=" + a.outFolder);
    if (a.quiet) words.push_back("--quiet");
    if (a.json) words.push_back("--json");
    if (!a.since.empty()) words.push_back("--since=" + a.since);
    if (!a.forget.empty()) words.push_back("--forget=" + a.forget);
    if (a.demo) words.push_back("--demo");
    if (!a.configFile.empty()) words.push_back("--config=" + a.configFile);
    for (const std::string& pair : a.overrides) words.push_back("--set=" + pair);
    return words;
}

bool Parse(const std::vector<std::string>& words, CommandArguments& arguments, std::string& error) {
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    return ParseCommandArguments(static_cast<int>(argv.size()), argv.data(), arguments, error);
}

bool Same(const CommandArguments& a, const CommandArguments& b) {
    return a.verb == b.verb && a.site == b.site && a.category == b.category &&
           a.categoryGiven == b.categoryGiven && a.page == b.page && a.pageGiven == b.pageGiven &&
           a.outFolder == b.outFolder && a.quiet == b.quiet && a.demo == b.demo && a.configFile == b.configFile &&
           a.overrides == b.overrides && a.json == b.json && a.since == b.since && a.forget == b.forget &&
           a.lastPage == b.lastPage && a.newOnly == b.newOnly;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> words = Words(fuzz::InputText(data, size));
    CommandArguments arguments;
    std::string error;
    if (!Parse(words, arguments, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(words.size() >= 2 &&
               (words[1] == "list" || words[1] == "collect" || words[1] == "menu" || words[1] == "history"));
    if (arguments.help) return 0;
    FUZZ_CHECK(arguments.category >= 1 && arguments.page >= 1);
    FUZZ_CHECK(arguments.verb == CommandVerb::Collect || (!arguments.quiet && arguments.outFolder.empty()));
    // The overrides made of --parallel are ones the settings take: only those given with --set may not be.
    Settings settings;
    size_t setWords = 0, refused = 0;
    for (const std::string& word : words) setWords += word == "--set" || word.rfind("--set=", 0) == 0;
    for (const std::string& pair : arguments.overrides) {
        const size_t equals = pair.find('=');
        refused += equals == std::string::npos || !ApplySetting(settings, pair.substr(0, equals), pair.substr(equals + 1)).empty();
    }
    FUZZ_CHECK(refused <= setWords);
    // What was understood, written back, is understood the same.
    CommandArguments again;
    FUZZ_CHECK(Parse(Printed(arguments), again, error) && Same(arguments, again));
    return 0;
}
