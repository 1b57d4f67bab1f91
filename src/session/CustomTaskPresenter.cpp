#include "session/CustomTaskPresenter.h"

#include <mutex>
#include <optional>
#include <utility>

#include "core/Numbers.h"

namespace dorvane {

Text ItemLine(int n, const Text& address, const Text& what) {
    static const Text before = Gbk("【第");
    static const Text after = Gbk("张】");
    return before + IntegerText(n) + after + address + what;
}

// What the downloaders reported and the window has not shown yet. Shared with the changes on their way,
// which may run after the presenter is gone.
struct CustomTaskPresenter::Pending {
    // Taken by the downloaders, and never while a control is written: they never wait on the window.
    std::mutex mutex;
    // Held by the change being shown, so that two changes run one after the other even where the poster
    // runs them at once on the downloaders' threads: the lines go in in the order they were taken.
    std::mutex showing;
    struct Side {
        std::optional<Text> status;
        std::optional<Bytes> picture;
        bool posted = false;  // a change is on its way and will take what is here
    };
    Side sides[2];
    Text log;
    bool logPosted = false;
};

struct CustomTaskPresenter::SideChange {
    std::optional<Text> status;
    std::optional<Bytes> picture;
};

CustomTaskPresenter::CustomTaskPresenter(const CustomPage& page, Poster post)
    : m_pending(std::make_shared<Pending>()), m_page(page), m_post(std::move(post)) {}

void CustomTaskPresenter::ChangeSide(int item, SideChange change) {
    const size_t index = item % 2 == 1 ? 0 : 1;
    bool post = false;
    {
        std::lock_guard lock(m_pending->mutex);
        Pending::Side& side = m_pending->sides[index];
        if (change.status) side.status = std::move(change.status);
        if (change.picture) side.picture = std::move(change.picture);
        post = !std::exchange(side.posted, true);
    }
    if (!post) return;
    Label* label = index == 0 ? m_page.leftStatus : m_page.rightStatus;
    PictureBox* picture = index == 0 ? m_page.leftPicture : m_page.rightPicture;
    m_post(
        [pending = m_pending, index, label, picture] {
            std::lock_guard showing(pending->showing);
            Pending::Side latest;
            {
                std::lock_guard lock(pending->mutex);
                latest = std::exchange(pending->sides[index], {});
            }
            if (latest.status) label->SetText(*latest.status);
            if (latest.picture) picture->SetPicture(*latest.picture);
        },
        nullptr);
}

void CustomTaskPresenter::ItemStarted(int item, const Text& address) {
    static const Text collecting = Gbk("[正在采集...]\r\n");
    ChangeSide(item, {ItemLine(item, address, collecting), std::nullopt});
}

void CustomTaskPresenter::PictureArrived(int item, const Bytes& bytes) {
    ChangeSide(item, {std::nullopt, bytes});
}

void CustomTaskPresenter::ItemDone(const custom::ItemReport& report) {
    static const Text succeeded = Gbk("[采集成功]\r\n");
    static const Text failed = Gbk("[采集失败]\r\n");
    const Text line = ItemLine(report.item, report.address, report.stored ? succeeded : failed);
    bool post = false;
    {
        std::lock_guard lock(m_pending->mutex);
        m_pending->log += line;
        post = !std::exchange(m_pending->logPosted, true);
    }
    if (!post) return;
    m_post(
        [pending = m_pending, log = m_page.sourceBox] {
            std::lock_guard showing(pending->showing);
            Text lines;
            {
                std::lock_guard lock(pending->mutex);
                lines.swap(pending->log);
                pending->logPosted = false;
            }
            log->AppendText(lines);
        },
        nullptr);
}

}  // namespace dorvane
