// Start-up settings (file, --set, build defaults; malformed values reported) and the program in demo
// mode listing every site's first page.
#include <QListWidget>
#include <QTemporaryDir>
#include <atomic>
#include <fstream>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/StartOptions.h"
#include "app/Widgets.h"
#include "demo/DemoServer.h"
#include "net/Retry.h"
#include "support/LocalServer.h"

namespace dorvane::test {
namespace {

TEST(StartSettings, OptionOverFileOverBuildDefault) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("dorvane.ini"));
    std::ofstream(file.toStdString()) << "[sites]\nc=127.0.0.1:8080\nd=example.org/path\ne=file.example\n"
                                         "[catalogue]\nport=70000\nhost=cat.example\n[nonsense]\nkey=1\n";
    Settings settings;
    settings.siteHosts = {
        {"a", "a.default"}, {"b", "b.default"}, {"c", "c.default"}, {"d", "d.default"}, {"e", "e.default"}};
    settings.cataloguePort = 29404;
    const QStringList fileProblems = LoadSettingsFile(file, true, settings);
    const QStringList optionProblems =
        ApplyOverrides({QStringLiteral("sites/e=option.example:81"), QStringLiteral("catalogue/port=0"),
                        QStringLiteral("no-equals")},
                       settings);
    EXPECT_EQ(settings.SiteHost("a"), "a.default");          // build default
    EXPECT_EQ(settings.SiteHost("c"), "127.0.0.1:8080");     // file
    EXPECT_EQ(settings.SiteHost("d"), "d.default");          // malformed in the file: the default stays
    EXPECT_EQ(settings.SiteHost("e"), "option.example:81");  // option over file
    EXPECT_EQ(settings.catalogueHost, "cat.example");
    EXPECT_EQ(settings.cataloguePort, 29404);
    ASSERT_EQ(fileProblems.size(), 3);  // the path, the port and the unknown key, each named
    EXPECT_TRUE(fileProblems.join('\n').contains(QStringLiteral("sites/d")));
    EXPECT_TRUE(fileProblems.join('\n').contains(QStringLiteral("catalogue/port")));
    EXPECT_TRUE(fileProblems.join('\n').contains(QStringLiteral("nonsense/key")));
    EXPECT_EQ(optionProblems.size(), 2);
    // A missing file is a problem only when it was asked for.
    EXPECT_TRUE(LoadSettingsFile(folder.filePath(QStringLiteral("none.ini")), false, settings).isEmpty());
    EXPECT_EQ(LoadSettingsFile(folder.filePath(QStringLiteral("none.ini")), true, settings).size(), 1);
}

TEST(StartSettings, HostsAndPorts) {
    const std::pair<const char*, bool> hosts[] = {
        {"www.example.org", true}, {"127.0.0.1:8080", true}, {"a-b.c:1", true},  {"", false},
        {"http://x.org", false},   {"x.org/path", false},    {"x.org:0", false}, {"x.org:65536", false},
        {"x.org:", false},         {"user@x.org", false},    {"x .org", false},  {"-x.org", false},
    };
    for (const auto& [host, valid] : hosts) EXPECT_EQ(IsValidHost(host), valid) << host;
    EXPECT_EQ(ParsePort("29404"), 29404);
    EXPECT_FALSE(ParsePort("+80").has_value());
    EXPECT_FALSE(ParsePort("123456").has_value());

    int exitCode = -1;
    EXPECT_FALSE(ParseStartOptions({"dorvane", "--version"}, exitCode).has_value());
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(ParseStartOptions({"dorvane", "--unknown"}, exitCode).has_value());
    EXPECT_EQ(exitCode, 2);
    const auto options =
        ParseStartOptions({"dorvane", "--demo", "--config", "/x.ini", "--set", "sites/a=h"}, exitCode);
    ASSERT_TRUE(options.has_value());
    EXPECT_TRUE(options->demo);
    EXPECT_TRUE(options->configGiven);
    EXPECT_EQ(options->configFile, QStringLiteral("/x.ini"));
    EXPECT_EQ(options->overrides, QStringList{QStringLiteral("sites/a=h")});
}

// The file's network/retries is the number of further tries a failing fetch gets; none of the counts
// below is the build default, so a value read but not applied shows.
TEST(StartSettings, RetriesFromTheFileDecideHowOftenAFailingFetchIsTried) {
    LocalServer server;
    std::atomic<int> tries{0};
    server.Http().Get("/busy", [&](const httplib::Request&, httplib::Response& res) {
        ++tries;
        res.status = 503;
        res.set_header("Retry-After", "0");  // tried again at once
        res.set_content("busy", "text/plain");
    });
    ASSERT_TRUE(server.Start());
    QTemporaryDir folder;
    for (int retries : {0, 2, 5}) {
        SCOPED_TRACE(retries);
        Settings settings = DefaultSettings();
        ASSERT_NE(retries, settings.retries);
        const QString file = folder.filePath(QStringLiteral("retries%1.ini").arg(retries));
        std::ofstream(file.toStdString()) << "[network]\nretries=" << retries << "\n";
        EXPECT_TRUE(LoadSettingsFile(file, true, settings).isEmpty());
        tries = 0;
        EXPECT_TRUE(FetchPageText(server.Url("/busy"), {}, settings.Network()).empty());
        EXPECT_EQ(tries.load(), retries + 1);
    }
}

TEST(Demo, EverySiteListsItsFirstPage) {
    demo::DemoServer server;
    ASSERT_TRUE(server.Start());
    Settings settings = DefaultSettings();
    server.PointAt(settings);
    {
        MainWindow window(RegisteredSites(settings), {}, settings);
        window.show();
        auto* tabs = Find<DesignTabs>(&window, "pageTabs");
        for (int page = 0; page < window.SitePageCount(); ++page) {
            tabs->Bar()->setCurrentIndex(6);
            tabs->Bar()->setCurrentIndex(page);
            auto* albums =
                Find<QListWidget>(&window, QStringLiteral("site%1_albums").arg(page).toLatin1().constData());
            EXPECT_TRUE(ProcessUntil([&] { return albums->count() > 0; })) << "page " << page;
        }
    }
}

}  // namespace
}  // namespace dorvane::test
