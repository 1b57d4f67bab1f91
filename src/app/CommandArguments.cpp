#include "app/CommandArguments.h"

#include <cstring>
#include <optional>
#include <utility>

#include "collectors/SiteRegistry.h"

namespace dorvane {

namespace {

constexpr const char* kHelp =
    "Commands (no window is opened):\n"
    "  dorvane list SITE [--category N] [--page N]\n"
    "      Print the albums of a listing page, one a line: title, a tab, the album's address, a tab,\n"
    "      the image count (empty where the site gives none).\n"
    "  dorvane collect SITE [--category N] [--page N] [--out FOLDER] [--quiet] [--parallel N]\n"
    "      Collect every album of a listing page into FOLDER/采集数据/ (default: the current folder),\n"
    "      as the window's \"开始采集\" does with FOLDER as its save folder. Progress goes to standard\n"
    "      error, with a line for every image that failed and why; --quiet leaves out the progress.\n"
    "      A full disk or a folder that cannot be written stops the collection after that image.\n"
    "      --pages A-B collects pages A to B; --new-only leaves out the albums the history holds complete\n"
    "      (no request for them) and stops at the first page whose albums are all known.\n"
    "  dorvane menu SITE [--category N]\n"
    "      Print the items of the site's category or tag box (\"category<TAB>N<TAB>title\") and of the page\n"
    "      box of category N (\"page<TAB>N\"), numbered as --category and --page count them.\n"
    "  dorvane history [SITE] [--since YYYY-MM-DD] [--json] | --forget ALBUM-ADDRESS\n"
    "      The albums collected, newest first (title, address, images stored, folder, when), or every\n"
    "      recorded image as a JSON line; --forget removes an album's rows, so it is collected again.\n"
    "      SITE may also be custom: the custom page's tasks (their folder stands for the album's address).\n"
    "  SITE: %SITES%.\n"
    "  --category N: the Nth item of the site's category or tag box (default 1; sites with one).\n"
    "  --page N: the Nth item of the page box (default 1).\n"
    "  --parallel N: transfers in flight at once (1 to 16), short for --set network/parallel=N.\n"
    "  --config FILE, --set KEY=VALUE (repeatable) and --demo work as for the window.\n"
    "  Exit status: 0 every image stored (an album without images is no failure), 1 some failed,\n"
    "  2 a usage error (a first word other than list or collect is one) or a listing that could not\n"
    "  be fetched, 130 after Ctrl-C, 143 after SIGTERM (both stop as \"停止采集\" does).\n";

// The network/parallel setting's bound.
constexpr int kMostParallel = 16;

// 1 to 999999999 in decimal digits only.
std::optional<int> PositiveNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int value = std::stoi(text);
    if (value < 1) return std::nullopt;
    return value;
}

class Reader {
public:
    Reader(int argc, const char* const* argv, std::string& error) : m_argc(argc), m_argv(argv), m_error(error) {}

    bool Option(CommandArguments& a, const std::string& word) {
        const size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        if (name == "--help" || name == "-h") return Flag(word, a.help);
        if (name == "--quiet") return Flag(word, a.quiet);
        if (name == "--demo") return Flag(word, a.demo);
        if (name == "--new-only") return Flag(word, a.newOnly);
        if (name == "--json") return Flag(word, a.json);
        std::optional<std::string> value;
        if (equals != std::string::npos) value = word.substr(equals + 1);
        else if (m_next < m_argc) value = m_argv[m_next++];
        if (name == "--category") return Number(name, value, a.category, a.categoryGiven);
        if (name == "--page") return Number(name, value, a.page, a.pageGiven);
        if (name == "--pages") return Pages(value, a);
        if (name == "--out") return Value(name, value, a.outFolder);
        if (name == "--config") return Value(name, value, a.configFile);
        if (name == "--since") return Value(name, value, a.since);
        if (name == "--forget") return Value(name, value, a.forget);
        if (name == "--set") {
            std::string pair;
            if (!Value(name, value, pair)) return false;
            a.overrides.push_back(pair);
            return true;
        }
        // The short form of --set network/parallel=N, taking its place among the --set options.
        if (name == "--parallel") {
            const std::optional<int> count = value ? PositiveNumber(*value) : std::nullopt;
            if (!count || *count > kMostParallel)
                return Fail("--parallel needs a number of transfers from 1 to 16, not \"" + value.value_or("") + "\"");
            a.overrides.push_back("network/parallel=" + std::to_string(*count));
            return true;
        }
        return Fail("unknown option " + name);
    }

    const char* Next() { return m_next < m_argc ? m_argv[m_next++] : nullptr; }
    bool Fail(const std::string& reason) {
        m_error = reason;
        return false;
    }

private:
    bool Flag(const std::string& word, bool& flag) {
        if (word.find('=') != std::string::npos) return Fail(word.substr(0, word.find('=')) + " takes no value");
        flag = true;
        return true;
    }
    bool Value(const std::string& name, const std::optional<std::string>& value, std::string& target) {
        if (!value || value->empty()) return Fail(name + " needs a value");
        target = *value;
        return true;
    }
    // "A-B", 1 <= A <= B.
    bool Pages(const std::optional<std::string>& value, CommandArguments& a) {
        const size_t dash = value ? value->find('-') : std::string::npos;
        const std::optional<int> first = dash == std::string::npos ? std::nullopt : PositiveNumber(value->substr(0, dash));
        const std::optional<int> last = first ? PositiveNumber(value->substr(dash + 1)) : std::nullopt;
        if (!last || *last < *first) return Fail("--pages needs A-B, whole numbers with 1 <= A <= B, not \"" + value.value_or("") + "\"");
        a.page = *first;
        a.lastPage = *last;
        a.pageGiven = true;
        return true;
    }
    bool Number(const std::string& name, const std::optional<std::string>& value, int& target, bool& given) {
        const std::optional<int> number = value ? PositiveNumber(*value) : std::nullopt;
        if (!number) return Fail(name + " needs a whole number from 1 up, not \"" + value.value_or("") + "\"");
        target = *number;
        given = true;
        return true;
    }

    const int m_argc;
    const char* const* m_argv;
    std::string& m_error;
    int m_next = 2;
};

}  // namespace

namespace {

constexpr std::pair<const char*, CommandVerb> kVerbs[] = {
    {"list", CommandVerb::List}, {"collect", CommandVerb::Collect}, {"menu", CommandVerb::Menu},
    {"history", CommandVerb::History}};

std::optional<CommandVerb> VerbOf(const char* word) {
    for (const auto& [name, verb] : kVerbs) {
        if (std::strcmp(word, name) == 0) return verb;
    }
    return std::nullopt;
}

}  // namespace

bool ParseCommandArguments(int argc, const char* const* argv, CommandArguments& arguments, std::string& error) {
    Reader reader(argc, argv, error);
    const std::optional<CommandVerb> verb = argc >= 2 ? VerbOf(argv[1]) : std::nullopt;
    if (!verb) {
        const std::string word = argc >= 2 ? argv[1] : "";
        return reader.Fail("\"" + word + "\" is not a command: the commands are list, collect, menu and history");
    }
    arguments.verb = *verb;
    std::vector<std::string> positional;
    while (const char* next = reader.Next()) {
        const std::string word = next;
        if (word.size() > 1 && word[0] == '-') {
            if (!reader.Option(arguments, word)) return false;
        } else {
            positional.push_back(word);
        }
    }
    if (arguments.help) return true;
    const bool history = arguments.verb == CommandVerb::History;
    if (!history && (arguments.json || !arguments.since.empty() || !arguments.forget.empty()))
        return reader.Fail("--since, --json and --forget belong to history");
    if (history && positional.empty()) return true;
    if (positional.empty()) return reader.Fail("which site? (" + SiteNameList() + ")");
    if (positional.size() > 1) return reader.Fail("one site only, not \"" + positional[1] + "\" as well");
    arguments.site = positional.front();
    if (arguments.verb != CommandVerb::Collect &&
        (arguments.quiet || !arguments.outFolder.empty() || arguments.newOnly || arguments.lastPage != 0))
        return reader.Fail("--out, --quiet, --pages and --new-only belong to collect");
    if (arguments.verb == CommandVerb::Menu && arguments.pageGiven)
        return reader.Fail("--page does not apply to menu: it lists the pages to choose from");
    return true;
}

std::string CommandHelpText() {
    std::string help = kHelp;
    const std::string marker = "%SITES%";
    help.replace(help.find(marker), marker.size(), SiteNameList());
    return help;
}

}  // namespace dorvane
