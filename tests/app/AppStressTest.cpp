// Rapid user actions while workers write controls from their threads: no crash, no hang, and no write of
// a worker lands after that worker was stopped.
#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <map>
#include <random>
#include <set>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

Bytes SmallPng() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.constData(), static_cast<size_t>(data.size()));
}

TEST(AppStress, RapidTabStartStopPauseResume) {
    const Bytes picture = SmallPng();
    // Every routine stamps the worker's id into its page's title, so the window can tell whose write landed.
    auto routine = [picture](int site) {
        return [picture, site](MainControls& controls) {
            const std::string id = std::to_string(CurrentWorker()->Id());
            SitePage& page = controls.sites[static_cast<size_t>(site)];
            for (int n = 0;; ++n) {
                page.title->SetText(id + ":" + std::to_string(n));
                page.albums->AddItem(id);
                if (n % 8 == 0) page.albums->Clear();
                if (n % 5 == 0) page.preview->SetPicture(n % 10 == 0 ? picture : Bytes("junk"));
                page.pageCount->SetText(id);
                controls.custom.leftStatus->SetText(id);
            }
        };
    };
    SiteRoutineTable table;
    for (int i = 0; i < kSiteCount; ++i) {
        table[static_cast<size_t>(i)].pageLoader = routine(i);
        table[static_cast<size_t>(i)].pageWorker = routine(i);
    }
    auto window = std::make_unique<MainWindow>(table);
    auto* tabs = Find<DesignTabs>(window.get(), "pageTabs");
    auto* start = Find<QPushButton>(window.get(), "startButton");
    auto* pause = Find<QPushButton>(window.get(), "pauseButton");
    auto* stop = Find<QPushButton>(window.get(), "stopButton");
    auto* manual = Find<QRadioButton>(window.get(), "manualPreview");
    auto* automatic = Find<QRadioButton>(window.get(), "autoCollect");
    std::array<QLabel*, kSiteCount> titles{};
    for (int i = 0; i < kSiteCount; ++i)
        titles[static_cast<size_t>(i)] =
            Find<QLabel>(window.get(), ("site" + std::to_string(i) + "_title").c_str());

    std::set<std::string> stopped;  // worker ids that were ended (window thread's view)
    std::array<QString, kSiteCount> seen{};
    int violations = 0;
    auto noteEnded = [&] {
        if (auto token = window->Worker().Current(); token && token->StopRequested())
            stopped.insert(std::to_string(token->Id()));
    };
    auto check = [&] {
        for (int i = 0; i < kSiteCount; ++i) {
            const QString text = titles[static_cast<size_t>(i)]->text();
            if (text == seen[static_cast<size_t>(i)]) continue;
            seen[static_cast<size_t>(i)] = text;
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
    window.reset();
    EXPECT_EQ(RunningWorkerCount(), 0);
}

}  // namespace
}  // namespace dorvane::test
