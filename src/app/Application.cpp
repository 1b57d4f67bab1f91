#include "app/Application.h"

#include <QApplication>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/AppHooks.h"
#include "app/Fonts.h"
#include "app/GrabPages.h"
#include "app/MainWindow.h"
#include "app/StartOptions.h"
#include "collectors/SiteRegistry.h"
#include "core/ProgramState.h"
#include "core/Worker.h"
#include "demo/DemoServer.h"

namespace dorvane {

namespace {

void Report(const QStringList& problems) {
    for (const QString& problem : problems) std::fprintf(stderr, "dorvane: %s\n", qPrintable(problem));
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Build defaults, then the settings file, then the demo sites (for this run only), then --set.
std::unique_ptr<demo::DemoServer> ApplySettings(const StartOptions& options) {
    Settings& settings = MutableSettings();
    AddSiteHosts(settings);
    Report(LoadSettingsFile(options.configFile, options.configGiven, settings));
    std::unique_ptr<demo::DemoServer> server;
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
    return server;
}

}  // namespace

int RunApplication(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<StartOptions> options = ParseStartOptions(Arguments(argc, argv), exitCode);
    if (!options) return exitCode;

    QApplication application(argc, argv);
    QApplication::setFont(DefaultFont());
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/dorvane/dorvane.png")));
    // Program-wide state starts empty.
    State().Reset();
    const std::unique_ptr<demo::DemoServer> demoServer = ApplySettings(*options);
    int code = 0;
    {
        MainWindow window(RegisteredSites(), ProgramHooks());
        window.show();
        window.StartUp();
        if (!options->grabFolder.isEmpty()) {
            code = GrabPages(window, options->grabFolder) ? 0 : 1;
        } else {
            code = QApplication::exec();
        }
        // Leaving the scope closes the window's gate and ends every worker, tracked or not, with a bounded
        // wait, while the widgets still exist.
    }
    StopAllWorkers(std::chrono::milliseconds(1000));
    return code;
}

}  // namespace dorvane
