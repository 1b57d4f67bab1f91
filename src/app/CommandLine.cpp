#include "app/CommandLine.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandArguments.h"
#include "app/CommandHistory.h"
#include "app/HistoryFile.h"
#include "app/CommandListing.h"
#include "app/SettingsFile.h"
#include "app/StopSignals.h"
#include "app/TerminalProgress.h"
#include "collectors/HistoryRecorder.h"
#include "collectors/SiteRegistry.h"
#include "core/CodePage.h"
#include "core/Files.h"
#include "core/Worker.h"
#include "custom/TaskRecorder.h"
#include "demo/DemoServer.h"

namespace dorvane {

namespace {

// How long a stopped command may take to leave before the program ends without it.
constexpr int kStopGraceMilliseconds = 10000;

void Report(const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) std::fprintf(stderr, "dorvane: %s\n", problem.c_str());
}

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "dorvane: %s\nTry 'dorvane --help'.\n", reason.c_str());
    return kCommandUsage;
}

void PrintHelp() {
    std::fputs(CommandHelpText().c_str(), stdout);
    std::string keys;
    for (const std::string& key : SettingKeys(DefaultSettings())) keys += (keys.empty() ? "" : ", ") + key;
    std::printf("  Settings keys: %s.\n  Settings file: %s\n", keys.c_str(), DefaultSettingsPath().c_str());
}

// Build defaults, then the settings file, then the demo sites (for this run only), then --set: read once
// here, and handed to the command's work as values.
Settings ReadSettings(const CommandArguments& arguments, std::unique_ptr<demo::DemoServer>& server) {
    Settings settings = DefaultSettings();
    const bool named = !arguments.configFile.empty();
    Report(ApplySettingsFile(named ? arguments.configFile : DefaultSettingsPath(), named, settings));
    if (arguments.demo) {
        server = std::make_unique<demo::DemoServer>();
        if (server->Start()) {
            server->PointAt(settings);
            // Standard output carries the listing: the demo's ports go to standard error.
            if (!arguments.quiet)
                std::fprintf(stderr, "dorvane: demo sites on 127.0.0.1 (HTTP %d, HTTPS %d)\n", server->HttpPort(),
                             server->HttpsPort());
        } else {
            std::fprintf(stderr, "dorvane: the demo sites could not start; using the settings as they are\n");
            server.reset();
        }
    }
    Report(ApplySettingOverrides(arguments.overrides, settings));
    return settings;
}

ProgressStyle StyleFor(const CommandArguments& arguments) {
    if (arguments.quiet) return ProgressStyle::Quiet;
    return ::isatty(STDERR_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

int TerminalColumns() {
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

// The save folder as the window's box would hold it: the folder given, or the current one.
Text SaveFolder(const CommandArguments& arguments) {
    return arguments.outFolder.empty() ? CurrentDirectory() : Utf8ToSystemText(arguments.outFolder);
}

// What is new since last time: a page whose albums the history all holds ends the run.
bool AllKnown(const CommandArguments& arguments, const ListingSnapshot& listing, HistoryStore* history, int page) {
    if (!arguments.newOnly || !history || !UnknownAlbums(listing, *history).albums.empty()) return false;
    std::fprintf(stderr, "dorvane: page %d: every album is known already\n", page);
    return true;
}

// The command's work, on its worker: the listing, then printing it or collecting it.
int RunOnWorker(const CommandArguments& arguments, const SiteDescription& site, const Settings& settings,
                TerminalProgress& progress, HistoryStore* history) {
    const SiteFetcher collecting(settings.Network());
    const int category = site.HasMenu() ? arguments.category : 0;
    // A page known whole ends the run before the boxes are filled: one request.
    if (arguments.verb == CommandVerb::Collect && arguments.newOnly && history) {
        const std::optional<ListingSnapshot> peeked = PeekListing(site, collecting, category, arguments.page);
        if (peeked && AllKnown(arguments, *peeked, history, arguments.page)) return kCommandDone;
    }
    const WatchedFetcher fetch(settings.Network());
    const bool menu = arguments.verb == CommandVerb::Menu;
    CommandBoxes boxes(site, fetch);
    const std::optional<CommandListing> refused = boxes.Choose(category);
    const CommandListing listing = refused ? *refused : menu ? boxes.MenuLines() : boxes.List(arguments.page);
    if (listing.outcome != CommandListing::Outcome::Listed) {
        std::fprintf(stderr, "dorvane: %s\n", listing.message.c_str());
        return kCommandUsage;
    }
    if (menu) {
        for (const std::string& line : listing.menuLines) std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        return kCommandDone;
    }
    if (arguments.verb == CommandVerb::List) {
        for (const AlbumEntry& album : listing.snapshot.albums) std::printf("%s\n", ListingLine(album).c_str());
        std::fflush(stdout);
        return kCommandDone;
    }
    CollectionOptions options;
    const Text folder = SaveFolder(arguments);
    options.saveFolder = [folder] { return folder; };
    options.skipExisting = settings.skip == Settings::Skip::Existing;
    options.parallel = settings.parallel;
    // A full disk or an unwritable folder fails every later image the same way: better said once.
    options.stopWhenBlocked = true;
    const HistoryUse use{history, Sites().at(static_cast<size_t>(FindSite(arguments.site))).key,
                         settings.skip == Settings::Skip::Recorded || arguments.newOnly, SayHistoryFailed};
    for (int page = arguments.page;; ++page) {
        const CommandListing pageListing =
            page == arguments.page ? listing : boxes.List(page);
        if (pageListing.outcome != CommandListing::Outcome::Listed) {
            std::fprintf(stderr, "dorvane: %s\n", pageListing.message.c_str());
            return kCommandUsage;
        }
        if (AllKnown(arguments, pageListing.snapshot, history, page)) break;
        if (CollectRecorded(site, pageListing.snapshot, options, collecting, progress, use).halted) break;
        if (page >= arguments.lastPage) break;
    }
    return kCommandDone;
}

// The outcome of a collection that ran to its end or was stopped. Only images count: an album that opens
// without any is what the site shows, not a failure.
int CollectionStatus(const CommandArguments& arguments, TerminalProgress& progress, bool stopped) {
    progress.Finish(stopped);
    const int failed = progress.Totals().failed;
    if (arguments.quiet && failed > 0) std::fprintf(stderr, "dorvane: %d image(s) failed\n", failed);
    return failed > 0 ? kCommandSomeFailed : kCommandDone;
}

struct WorkerOutcome {
    std::atomic<bool> done{false};
    int status = kCommandDone;  // read once `done` is seen
};

// Runs the command on a worker so that a stop reaches every fetch and wait, and waits for it here; a
// signal becomes the worker's stop. Gives the worker's status, or the signal's once one came.
int RunWorker(const CommandArguments& arguments, const SiteDescription& site, const Settings& settings,
              TerminalProgress& progress, HistoryStore* history, bool& stopped) {
    StopSignals stopSignals;
    auto outcome = std::make_shared<WorkerOutcome>();
    const std::shared_ptr<WorkerToken> worker = StartWorkerThread([&, outcome] {
        struct Done {
            WorkerOutcome& outcome;
            StopSignals& stopSignals;
            ~Done() {
                outcome.done.store(true, std::memory_order_release);
                stopSignals.Wake();
            }
        } done{*outcome, stopSignals};
        outcome->status = RunOnWorker(arguments, site, settings, progress, history);
    });
    if (!worker) {
        std::fprintf(stderr, "dorvane: no thread could be started for the command\n");
        return kCommandSomeFailed;
    }
    auto deadline = std::chrono::steady_clock::time_point::max();
    while (!outcome->done.load(std::memory_order_acquire)) {
        if (stopSignals.Received() != 0 && !worker->StopRequested()) {
            worker->RequestStop();
            deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopGraceMilliseconds);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "dorvane: the stop did not take effect in time\n");
            std::_Exit(stopSignals.Received() == SIGTERM ? kCommandTerminated : kCommandInterrupted);
        }
        stopSignals.Wait(1000);
    }
    worker->WaitFinished(std::chrono::milliseconds(kStopGraceMilliseconds));
    stopped = stopSignals.Received() != 0;
    if (!stopped) return outcome->status;
    return stopSignals.Received() == SIGTERM ? kCommandTerminated : kCommandInterrupted;
}

// "history": no site to describe, no worker; the store is read and written here.
int RunHistory(const CommandArguments& arguments) {
    // The custom page's tasks stand under a key of their own.
    const std::string customKey = custom::kCustomTaskKey;
    const bool custom = arguments.site == customKey;
    const int index = arguments.site.empty() || custom ? -1 : FindSite(arguments.site);
    if (!arguments.site.empty() && !custom && index < 0)
        return UsageError("no site \"" + arguments.site + "\" (" + SiteNameList() + ", or " + customKey + ")");
    std::unique_ptr<demo::DemoServer> demoServer;
    const std::shared_ptr<HistoryStore> history = OpenHistory(ReadSettings(arguments, demoServer));
    if (!history) return kCommandUsage;
    const Text key = custom      ? customKey
                     : index < 0 ? Text{}
                                 : Text(Sites().at(static_cast<size_t>(index)).key);
    return PrintHistory(arguments, key, *history);
}

int RunParsed(const CommandArguments& arguments) {
    if (arguments.verb == CommandVerb::History) return RunHistory(arguments);
    const int index = FindSite(arguments.site);
    if (index < 0) return UsageError("no site \"" + arguments.site + "\" (" + SiteNameList() + ")");
    // Whether the site has a menu does not depend on its host: a usage error starts no demo sites.
    if (!DescribeSite(index, HostSource())->HasMenu() && arguments.categoryGiven)
        return UsageError("site \"" + arguments.site + "\" has no category box: --category does not apply");
    std::unique_ptr<demo::DemoServer> demoServer;
    const Settings settings = ReadSettings(arguments, demoServer);
    const std::unique_ptr<SiteDescription> site = DescribeSite(index, settings);
    TerminalProgress progress(stderr, StyleFor(arguments), TerminalColumns());
    const std::shared_ptr<HistoryStore> history =
        arguments.verb == CommandVerb::Collect ? OpenHistory(settings) : nullptr;
    bool stopped = false;
    const int status = RunWorker(arguments, *site, settings, progress, history.get(), stopped);
    StopAllWorkers(std::chrono::milliseconds(1000));
    if (arguments.verb != CommandVerb::Collect || (!stopped && status != kCommandDone)) return status;
    const int collected = CollectionStatus(arguments, progress, stopped);
    return stopped ? status : collected;
}

}  // namespace

// A first word that is not an option is a command, or a mistyped one: either way the window is not what
// was asked for, and it must not start (without a display it could not).
bool IsCommandLine(int argc, const char* const* argv) { return argc >= 2 && argv[1][0] != '-'; }

int RunCommandLine(int argc, const char* const* argv) {
    CommandArguments arguments;
    std::string error;
    if (!ParseCommandArguments(argc, argv, arguments, error)) return UsageError(error);
    if (arguments.help) {
        PrintHelp();
        return kCommandDone;
    }
    return RunParsed(arguments);
}

}  // namespace dorvane
