#pragma once
// The custom download task shown on its page: each downloader's item in its status label and its picture
// in its picture box (odd items on the left, even on the right), and a line per finished item appended to
// the source box in the order the items finished. Every change goes through the poster and is never waited
// for. While the window is busy, changes gather: a side shows only its latest status and picture (an older
// one would be decoded only to be replaced), and the lines that finished meanwhile go in as one append.
#include <memory>

#include "custom/TaskEvents.h"
#include "session/PageView.h"

namespace dorvane {

// "【第" + n + "张】" + address + what, as the status labels and the log write it.
Text ItemLine(int n, const Text& address, const Text& what);

class CustomTaskPresenter : public custom::TaskEvents {
public:
    CustomTaskPresenter(const CustomPage& page, Poster post);

    void ItemStarted(int item, const Text& address) override;
    void PictureArrived(int item, const Bytes& bytes) override;
    void ItemDone(const custom::ItemReport& report) override;

private:
    struct Pending;
    struct SideChange;
    void ChangeSide(int item, SideChange change);

    std::shared_ptr<Pending> m_pending;
    CustomPage m_page;
    Poster m_post;
};

}  // namespace dorvane
