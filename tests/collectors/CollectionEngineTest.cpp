// The collection engine on the fixture sites, seen through a presenter that records its events: their
// order, the report, the snapshot it works on, and a stop in the middle.
#include <gtest/gtest.h>

#include "support/CollectorHarness.h"
#include "support/HeldRequest.h"
#include "collectors/CollectionEngine.h"
#include "collectors/SiteA.h"
#include "core/Numbers.h"

namespace dorvane::test {
namespace {

// Every event as a line. Called on the collecting worker only; read after it ended.
class RecordingEvents : public CollectionEvents {
public:
    void CollectionBegun(int albumCount) override { Add("begun " + Number(albumCount)); }
    void AlbumBegun(int album, int albumCount, const AlbumWork& work) override {
        Add("album " + Number(album) + "/" + Number(albumCount));
        titles.push_back(GbkToUtf8(work.title));
    }
    void AlbumOpened(int album, const AlbumPlan& plan) override {
        Add("opened " + Number(album) + " of " + Number(plan.imageCount));
    }
    void ImageNumbered(int image, int imageCount, const ImageWork&) override {
        Add("image " + Number(image) + "/" + Number(imageCount));
    }
    void PictureArrived(const Bytes& bytes) override {
        Add(bytes.empty() ? "picture none" : "picture");
        pictures.push_back(bytes);
    }
    void ImageDone(const ImageReport& report) override {
        Add("done " + Number(report.album) + "." + Number(report.image) + (report.stored ? " stored" : " failed"));
        paths.push_back(GbkToUtf8(report.path));
        failures.push_back(report.failure + (report.blockedFolder.empty() ? "" : " | " + GbkToUtf8(report.blockedFolder)));
    }
    void PageFinished(const CollectionReport& report) override {
        Add("finished " + Number(report.albums) + " " + Number(report.images) + " " + Number(report.stored) +
            " " + Number(report.failed));
        finished = report;
    }

    std::vector<std::string> lines, titles, paths, failures;
    std::vector<Bytes> pictures;
    std::optional<CollectionReport> finished;

private:
    static std::string Number(int n) { return std::to_string(n); }
    void Add(std::string line) { lines.push_back(std::move(line)); }
};

// One album of one image that is to wait an hour between being shown and stored.
struct HourWaitSite : SiteDescription {
    Text url;
    PageChoices Choices(const SiteFetcher&, int, const AlbumEntries&) const override { return {}; }
    AlbumEntries Listing(const SiteFetcher&, const ListingSource&, const Text&) const override { return {}; }
    ViewerAlbum OpenAlbum(const SiteFetcher&, const ListingSnapshot&, int) const override { return {}; }
    Text ImageHeaders() const override { return {}; }
    std::vector<AlbumWork> Plan(const ListingSnapshot&) const override {
        return {{.title = "hour", .open = [this](const SiteFetcher&) {
                     const auto image = [this](int j) { return NumberedImage(url, j, {}, 3600 * 1000); };
                     return AlbumPlan{.folder = "hour/", .viewerImages = {}, .imageCount = 1, .image = image};
                 }}};
    }
};

class CollectionEngine : public ::testing::Test {
protected:
    // The listing of page 1 as the site reads it; Site A's from its first album category.
    ListingSnapshot FirstPage(Site site) {
        ListingSnapshot snapshot;
        if (site == Site::A) snapshot.source = {sitea::Home(h.sites.TlsHost()) + "xinggan/page/", sitea::kAlbumPages};
        const SiteFetcher fetch(h.settings.Network());
        snapshot.albums = Describe(site)->Listing(fetch, snapshot.source, "1");
        return snapshot;
    }
    std::shared_ptr<SiteDescription> Describe(Site site) {
        return DescribeSite(static_cast<int>(site), h.settings);
    }
    CollectionReport Run(Site site, const ListingSnapshot& snapshot, RecordingEvents& events) {
        CollectionReport report;
        h.RunOnWorker([&](MainControls&) { report = Engine(site, snapshot, events); });
        return report;
    }
    CollectionReport Engine(Site site, const ListingSnapshot& snapshot, RecordingEvents& events, int parallel = 4,
                            std::function<Text()> folder = {}) {
        CollectionOptions options;
        options.saveFolder = folder ? folder : [this] { return Text(saveFolder); };
        options.parallel = parallel;
        return Collect(*Describe(site), snapshot, options, SiteFetcher(h.settings.Network()), events);
    }

    CollectorHarness h{FixtureOptions{.pageCount = 2, .albumsPerPage = 2, .imagesPerAlbum = 2}};
    const std::string saveFolder = h.saveFolder.string();
};

TEST_F(CollectionEngine, EventsInOrderAndAFailedImageCounted) {
    for (Site site : {Site::C, Site::A}) {
        SCOPED_TRACE(site == Site::C ? "Site C" : "Site A");
        const std::vector<int> ids = h.sites.Listing(site, 1);
        ASSERT_EQ(ids.size(), 2u);
        h.sites.SetAlbum(site, {ids[1], "second album", {ImageKind::Jpeg, ImageKind::NotFound}});
        RecordingEvents events;
        const CollectionReport report = Run(site, FirstPage(site), events);

        std::vector<std::string> expected{"begun 2"};
        for (int album = 1; album <= 2; ++album) {
            expected.push_back("album " + std::to_string(album) + "/2");
            expected.push_back("opened " + std::to_string(album) + " of 2");
            for (int j = 1; j <= 2; ++j) {
                const bool fails = album == 2 && j == 2;
                expected.push_back("image " + std::to_string(j) + "/2");
                expected.push_back(fails ? "picture none" : "picture");
                expected.push_back("done " + std::to_string(album) + "." + std::to_string(j) +
                                   (fails ? " failed" : " stored"));
            }
        }
        expected.push_back("finished 2 4 3 1");
        EXPECT_EQ(events.lines, expected);
        EXPECT_EQ(events.titles, (std::vector<std::string>{GbkToUtf8(h.sites.ListedTitle(site, ids[0])),
                                                            "second album"}));
        EXPECT_EQ(report.failed, 1);
        EXPECT_EQ(report.bytes, static_cast<long long>(h.sites.ImageBytes(site, ids[0], 1).size() +
                                                       h.sites.ImageBytes(site, ids[0], 2).size() +
                                                       h.sites.ImageBytes(site, ids[1], 1).size()));
        // Each image reported with the file it went to, and shown with the bytes stored there.
        ASSERT_EQ(events.paths.size(), 4u);
        EXPECT_EQ(events.paths[1], (h.AlbumFolder(site, ids[0]) / "2.jpg").string());
        EXPECT_EQ(events.pictures[2], ReadBytes(h.AlbumFolder(site, ids[1]) / "1.jpg"));
        EXPECT_EQ(events.pictures[2], h.sites.ImageBytes(site, ids[1], 1));
    }
}

// Each image says why it failed; the save folder is read for each image's path, so a change reaches the
// next image, also one that cannot be written.
TEST_F(CollectionEngine, AFailedImageSaysWhyAndTheSaveFolderIsReadForEachImage) {
    const int id = h.sites.Listing(Site::C, 1).front();
    using K = ImageKind;
    h.sites.SetAlbum(Site::C, {id, "why", {K::NotFound, K::Oversized, K::Jpeg, K::Jpeg, K::Jpeg}});
    const std::string page = "/photo/c/" + std::to_string(id) + ".html";
    const std::string refused = h.sites.ImageUrl(Site::C, id, 3);
    std::string body = h.sites.Body(page);
    for (size_t at; (at = body.find(refused)) != std::string::npos;) body.replace(at, refused.size(), "http://127.0.0.1:1/3.jpg");
    h.sites.SetRawPage(page, body);
    h.settings.maxBodyBytes = 1 << 20;
    ListingSnapshot snapshot = FirstPage(Site::C);
    snapshot.albums.resize(1);
    const fs::path second = h.base / "second", file = h.base / "file";
    WriteBytes(file, "x");
    RecordingEvents events;
    // Images 1 to 3 go to the save folder, image 4 to the second one, image 5 to a plain file.
    const auto folder = [&] {
        const size_t done = events.paths.size();
        return Text((done < 3 ? h.saveFolder : done == 3 ? second : file).string());
    };
    h.RunOnWorker([&](MainControls&) { Engine(Site::C, snapshot, events, 4, folder); });

    const std::vector<std::string> expected = {
        "HTTP 404", "body too large (over 1 MB)", "connection refused", "",
        "not written: Not a directory | " + file.string() + "/采集数据/"};
    EXPECT_EQ(events.failures, expected);
    EXPECT_EQ(ReadBytes(second / "采集数据" / "why" / "4.jpg"), h.sites.ImageBytes(Site::C, id, 4));
    EXPECT_EQ(FilesBelow(h.AlbumFolder(Site::C, id)), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
}

TEST_F(CollectionEngine, CollectsTheSnapshotItWasHandedWhileThePageListsAnother) {
    auto session = h.Session(Site::C);
    ASSERT_TRUE(Done(session->Enter()));
    const ListingSnapshot snapshot = session->Listing();
    const std::vector<int> ids = h.sites.Listing(Site::C, 1);
    auto hold = HoldImage(h.sites, "/img/c/" + std::to_string(ids[0]) + "/1.jpg");
    RecordingEvents events;
    auto worker = h.StartOnWorker([&](MainControls&) { Engine(Site::C, snapshot, events); });
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(hold.WaitReached());
    // The page lists page 2 meanwhile.
    ASSERT_TRUE(Done(session->ChoosePage(1)));
    ASSERT_EQ(h.sites.Listing(Site::C, 2).size(), session->Listing().albums.size());
    hold.Release();
    ASSERT_TRUE(Done(worker));
    h.sites.SetImageHook(nullptr);

    std::vector<std::string> expected;
    for (int id : ids) {
        expected.push_back(GbkToUtf8(h.sites.ListedTitle(Site::C, id)));
        EXPECT_EQ(ReadBytes(h.AlbumFolder(Site::C, id) / "2.jpg"), h.sites.ImageBytes(Site::C, id, 2));
    }
    EXPECT_EQ(events.titles, expected);
    EXPECT_EQ(FilesBelow(h.OutputRoot()).size(), 4u);
    EXPECT_EQ(events.lines.back(), "finished 2 4 4 0");
}

// The site's wait comes between showing an image and storing it: stopped while the staged image waits,
// nothing is stored.
TEST_F(CollectionEngine, TheSiteWaitHoldsTheImageBeforeItIsStored) {
    HourWaitSite site;
    site.url = h.sites.ImageUrl(Site::C, h.sites.Listing(Site::C, 1).front(), 1);
    for (int parallel : {1, 4}) {
        RecordingEvents events;
        const CollectionOptions options{.saveFolder = [&] { return Text(saveFolder); }, .parallel = parallel};
        auto worker = h.StartOnWorker([&](MainControls&) { Collect(site, {}, options, SiteFetcher{}, events); });
        // Staged under a temporary name, the image waits; without the wait it would be stored at once.
        ASSERT_TRUE(Eventually([&] { return !FilesBelow(h.saveFolder).empty(); }));
        worker->RequestStop();
        ASSERT_TRUE(Done(worker));
        EXPECT_TRUE(FilesBelow(h.saveFolder).empty()) << parallel;
        EXPECT_EQ(events.lines.back(), "picture") << parallel;
    }
}

TEST_F(CollectionEngine, StopMidCollectionLeavesNoFileAndNoFinish) {
    const std::vector<int> ids = h.sites.Listing(Site::C, 1);
    auto hold = HoldImage(h.sites, "/img/c/" + std::to_string(ids[0]) + "/2.jpg");
    RecordingEvents events;
    const ListingSnapshot snapshot = FirstPage(Site::C);
    // One transfer at a time: the stop comes while image 2 is on its way and image 1 is stored.
    auto worker = h.StartOnWorker([&](MainControls&) { Engine(Site::C, snapshot, events, 1); });
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(hold.WaitReached());
    worker->RequestStop();
    hold.Release();
    ASSERT_TRUE(Done(worker));
    h.sites.SetImageHook(nullptr);

    EXPECT_FALSE(events.finished.has_value());
    EXPECT_EQ(events.lines.back(), "image 2/2");
    const fs::path folder = h.AlbumFolder(Site::C, ids[0]);
    EXPECT_EQ(FilesBelow(h.base), std::vector<std::string>{fs::relative(folder / "1.jpg", h.base).string()});
}

}  // namespace
}  // namespace dorvane::test
