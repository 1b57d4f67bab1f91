#include "app/Application.h"

#include <QApplication>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/AppHooks.h"
#include "app/Fonts.h"
#include "app/GrabPages.h"
#include "app/MainWindow.h"
#include "app/HistoryFile.h"
#include "app/StartOptions.h"
#include "collectors/SiteRegistry.h"
#include "core/Worker.h"
#include "demo/DemoServer.h"

namespace dorvane {

namespace {

// How long the program waits at its end for the workers it told to stop.
constexpr auto kExitWait = std::chrono::milliseconds(600);

void Report(const QStringList& problems) {
    for (const QString& problem : problems) std::fprintf(stderr, "dorvane: %s\n", qPrintable(problem));
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Build defaults, then the settings file, then the demo sites (for this run only), then --set: read once
// here, and handed to the window as values.
Settings ReadSettings(const StartOptions& options, std::unique_ptr<demo::DemoServer>& server) {
    Settings settings = DefaultSettings();
    Report(LoadSettingsFile(options.configFile, options.configGiven, settings));
    if (options.demo) {
        server = std::make_unique<demo::DemoServer>();
        if (server->Start()) {
            server->PointAt(settings);
            std::printf("dorvane: demo sites on 127.0.0.1 (HTTP %d, HTTPS %d, catalogue %d)\n",
                        server->HttpPort(), server->HttpsPort(), server->CataloguePort());
            std::fflush(stdout);
        } else {
            std::fprintf(stderr, "dorvane: the demo sites could not start; using the settings as they are\n");
            server.reset();
        }
    }
    Report(ApplyOverrides(options.overrides, settings));
    return settings;
}

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Without a display every platform plugin a desktop has fails, and Qt aborts the process when none
// starts. A platform named on purpose (QT_QPA_PLATFORM=offscreen, ...) is left to Qt.
bool CanShowWindows() { return Named("DISPLAY") || Named("WAYLAND_DISPLAY") || Named("QT_QPA_PLATFORM"); }

}  // namespace

int RunApplication(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<StartOptions> options = ParseStartOptions(Arguments(argc, argv), exitCode);
    if (!options) return exitCode;
    if (!CanShowWindows()) {
        std::fprintf(stderr,
                     "dorvane: the window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "'dorvane menu', 'list', 'collect' and 'history' work without one\n");
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setFont(DefaultFont());
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/dorvane/dorvane.png")));
    std::unique_ptr<demo::DemoServer> demoServer;
    const Settings settings = ReadSettings(*options, demoServer);
    int code = 0;
    {
        HistoryStatus historyFault;
        const std::shared_ptr<HistoryStore> history = OpenHistory(settings, &historyFault);
        MainWindow window(RegisteredSites(settings), ProgramHooks(), settings, history);
        if (!historyFault.Ok()) window.SayHistoryFault(historyFault);
        // Closing the window ends the program, whatever is running or waiting in a box of its own.
        window.onClosed = [] { QCoreApplication::exit(0); };
        window.show();
        window.StartUp();
        if (!options->grabFolder.isEmpty()) {
            code = GrabPages(window, options->grabFolder) ? 0 : 1;
        } else {
            code = QApplication::exec();
        }
        window.BeginClosing();
        // The workers were told to stop; one that cannot leave at once (a write the system holds up) is
        // not waited for: its image is written under a temporary name, so no final file is left half
        // written.
        if (!StopAllWorkers(kExitWait)) {
            // What the history's writer still holds is written before the process ends without the rest.
            if (history) history->Flush();
            std::fflush(nullptr);
            std::_Exit(code);
        }
    }
    return code;
}

}  // namespace dorvane
