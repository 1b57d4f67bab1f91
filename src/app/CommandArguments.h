#pragma once
// The arguments of the window-less commands: "dorvane list SITE ...", "dorvane collect SITE ..." and
// "dorvane menu SITE ..." and "dorvane history [SITE] ...".
#include <string>
#include <vector>

namespace dorvane {

enum class CommandVerb { List, Collect, Menu, History };

struct CommandArguments {
    CommandVerb verb = CommandVerb::List;
    bool help = false;         // --help: print and leave with 0, nothing else is read
    std::string site;          // a registry key or name, as given
    int category = 1;          // 1-based item of the category or tag box
    bool categoryGiven = false;
    int page = 1;              // 1-based item of the page box
    bool pageGiven = false;
    int lastPage = 0;          // collect --pages A-B: B (page is A); 0: the one page
    bool newOnly = false;      // collect: only albums the history does not hold complete
    std::string outFolder;     // collect: the save folder (empty: the current folder)
    bool quiet = false;        // collect: no progress
    std::string since;         // history: "YYYY-MM-DD", albums stored from that day on
    bool json = false;         // history: every image row as a JSON line
    std::string forget;        // history: the album address whose rows go
    bool demo = false;
    std::string configFile;    // empty: the default settings file, which need not exist
    std::vector<std::string> overrides;  // "key=value" from --set, in order
};

// Parses argv (argv[0] the program, argv[1] the command). On a usage error returns false with the reason.
bool ParseCommandArguments(int argc, const char* const* argv, CommandArguments& arguments, std::string& error);

// The commands' part of the help, in UTF-8.
std::string CommandHelpText();

}  // namespace dorvane
