// Rapid user actions while workers change controls from their threads: no crash, no hang, and no change
// of a worker lands after that worker was stopped.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <map>
#include <random>
#include <set>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/QtText.h"
#include "app/Widgets.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

// A site whose collection stamps its worker's id into the title for every album. The entry's listing and
// the collection's last album run until stopped.
class StampingSite : public SiteDescription {
public:
    PageChoices Choices(const SiteFetcher&, int, const AlbumEntries&) const override {
        PageChoices choices;
        choices.pageCount = 3;
        choices.then = PageChoices::Then::ListUnpaged;
        return choices;
    }
    AlbumEntries Listing(const SiteFetcher&, const ListingSource&, const Text&) const override {
        for (;;) CurrentWorker()->Sleep(std::chrono::milliseconds(1));
    }
    std::vector<AlbumWork> Plan(const ListingSnapshot&) const override {
        std::vector<AlbumWork> albums;
        for (int n = 1; n <= kAlbums; ++n) {
            albums.push_back({.title = Stamp(n), .line = Stamp(n), .progress = ProgressKind::ImageInAlbum, .open = [n](const SiteFetcher&) {
                                  WorkerCheckPoint();
                                  if (n == kAlbums) {
                                      for (;;) CurrentWorker()->Sleep(std::chrono::milliseconds(1));
                                  }
                                  return AlbumPlan{};
                              }});
        }
        return albums;
    }
    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot&, int) const override { return {}; }
    Text ImageHeaders() const override { return {}; }

private:
    static constexpr int kAlbums = 400;
    static Text Stamp(int n) { return std::to_string(CurrentWorker()->Id()) + ":" + std::to_string(n); }
};

TEST(AppStress, RapidTabStartStopPauseResume) {
    QTemporaryDir save;
    SiteDescriptions sites;
    for (int i = 0; i < kSiteCount; ++i) sites.push_back(std::make_shared<StampingSite>());
    auto window = std::make_unique<MainWindow>(sites);
    window->Controls().saveFolder->SetText(FromQt(save.path()));
    auto* tabs = Find<DesignTabs>(window.get(), "pageTabs");
    auto* start = Find<QPushButton>(window.get(), "startButton");
    auto* pause = Find<QPushButton>(window.get(), "pauseButton");
    auto* stop = Find<QPushButton>(window.get(), "stopButton");
    auto* manual = Find<QRadioButton>(window.get(), "manualPreview");
    auto* automatic = Find<QRadioButton>(window.get(), "autoCollect");
    // Every page's title, with the text last seen there.
    std::vector<std::pair<QLabel*, QString>> stamped;
    for (int i = 0; i < kSiteCount; ++i) {
        stamped.emplace_back(Find<QLabel>(window.get(), ("site" + std::to_string(i) + "_title").c_str()), QString());
    }

    std::set<std::string> stopped;  // worker ids that were ended (window thread's view)
    int violations = 0;
    int changes = 0;  // stamps seen arriving
    auto noteEnded = [&] {
        if (auto token = window->Worker().Current(); token && token->StopRequested())
            stopped.insert(std::to_string(token->Id()));
    };
    auto check = [&] {
        for (auto& [label, seen] : stamped) {
            const QString text = label->text();
            if (text == seen) continue;
            seen = text;
            ++changes;
            const std::string id = text.section(QLatin1Char(':'), 0, 0).toStdString();
            if (stopped.count(id)) ++violations;
        }
    };
    std::mt19937 random(2026);
    for (int round = 0; round < 200; ++round) {
        const auto before = window->Worker().Current();
        switch (random() % 7) {
            case 0:
                tabs->Bar()->setCurrentIndex(static_cast<int>(random() % 7));
                break;
            case 1:
                start->click();
                break;
            case 2:
            case 3:
                pause->click();
                break;
            case 4:
                stop->click();
                break;
            case 5:
                manual->click();
                break;
            case 6:
                automatic->click();
                break;
        }
        if (before && before->StopRequested()) stopped.insert(std::to_string(before->Id()));
        noteEnded();
        check();
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            check();
        }
    }
    EXPECT_EQ(violations, 0);
    EXPECT_GT(changes, 0);
    window.reset();
    EXPECT_EQ(RunningWorkerCount(), 0);
}

}  // namespace
}  // namespace dorvane::test
