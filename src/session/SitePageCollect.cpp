// The page collection: the engine's events turned into the page's status, counter and picture, and the
// completion message.
#include "core/Numbers.h"
#include "core/Worker.h"
#include "session/PageWords.h"
#include "session/SitePageSession.h"
#include "session/SitePageState.h"

namespace dorvane {

class SitePageSession::Presenter : public CollectionEvents {
public:
    explicit Presenter(SitePageSession& session) : m_session(session), m_page(session.m_view.page) {}

    void AlbumBegun(int, int, const AlbumWork& work) override {
        m_album = work;
        Text status = AlbumBegunStatus(work);
        if (status.empty()) return;
        m_session.Post([page = m_page, status = std::move(status)] { page->title->SetText(status); });
    }

    void AlbumOpened(int, const AlbumPlan& plan) override {
        if (!plan.setsViewerImages) return;
        std::lock_guard lock(m_session.m_mutex);
        m_session.m_state->viewer.images = plan.viewerImages;
    }

    void ImageNumbered(int image, int, const ImageWork& work) override {
        const bool counted = m_album.progress == ProgressKind::AlbumTopic;
        Text status = ImageStatus(m_album, work, image);
        if (status.empty() && !counted) return;
        m_session.Post([page = m_page, status = std::move(status), number = counted ? IntegerText(image) : Text{}] {
            if (!status.empty()) page->title->SetText(status);
            if (!number.empty()) page->counter->SetText(number);
        });
    }

    void PictureArrived(const Bytes& bytes) override {
        m_session.Post([page = m_page, bytes] { page->preview->SetPicture(bytes); });
    }

    void PageFinished(const CollectionReport& report) override {
        static const Text done = Gbk("本页采集完成");
        static const Text failedBefore = Gbk("\r\n失败 ");
        static const Text failedAfter = Gbk(" 张");
        const Text message =
            report.failed > 0 ? done + failedBefore + IntegerText(report.failed) + failedAfter : done;
        // Said only when "自动采集" is selected at that moment.
        m_session.Post([controls = m_session.m_view.controls, message] {
            if (controls->autoCollect->IsSelected()) controls->messages->Show(message);
        });
    }

private:
    SitePageSession& m_session;
    SitePage* m_page;
    AlbumWork m_album;  // the album under way
};

CollectionReport SitePageSession::Collect() {
    // A collection works on the list the user has in front of them: whatever was asked for on the page
    // before the start finishes first.
    m_requests.WaitIdle();
    const ListingSnapshot listing = Listing();
    {
        std::lock_guard lock(m_mutex);
        m_state->viewer.images.clear();
    }
    Presenter presenter(*this);
    CollectionOptions options;
    options.saveFolder = m_view.saveFolder;
    options.skipExisting = m_skipExisting;
    options.parallel = m_parallel;
    return CollectRecorded(*m_site, listing, options, m_fetch, presenter, m_history);
}

}  // namespace dorvane
