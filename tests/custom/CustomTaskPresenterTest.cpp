// The custom task's presenter in front of a window that falls behind: what gathered meanwhile is shown by
// one change per side and one for the log, every line in the order the items finished.
#include <gtest/gtest.h>

#include "core/Numbers.h"
#include "session/CustomTaskPresenter.h"
#include "support/MemoryControls.h"

namespace dorvane::test {
namespace {

TEST(CustomTaskPresenter, ABusyWindowGetsTheLatestPerSideAndEveryLineInOrder) {
    MemoryMainWindow window;
    std::vector<std::function<void()>> queued;  // posted, not yet run by the window
    CustomTaskPresenter presenter(window.controls.custom, [&](std::function<void()> change, const auto&) {
        queued.push_back(std::move(change));
    });
    const Text ok = Gbk("[采集成功]\r\n"), failed = Gbk("[采集失败]\r\n");
    // Items 1 to 6 start and arrive, then finish out of order, two of them failed.
    for (int n = 1; n <= 6; ++n) {
        presenter.ItemStarted(n, "u" + IntegerText(n));
        presenter.PictureArrived(n, "p" + IntegerText(n));
    }
    Text expected;
    for (const auto& [n, stored] :
         std::vector<std::pair<int, bool>>{{2, 1}, {1, 0}, {4, 1}, {3, 1}, {6, 0}, {5, 1}}) {
        presenter.ItemDone({n, "u" + IntegerText(n), {}, stored});
        expected += ItemLine(n, "u" + IntegerText(n), stored ? ok : failed);
    }
    ASSERT_EQ(queued.size(), 3u);
    for (const auto& change : queued) change();
    MemoryMainWindow::Custom& c = window.custom;
    EXPECT_EQ(c.sourceBox.GetText(), expected);
    EXPECT_EQ(c.leftPicture.GetPicture(), "p5");
    EXPECT_EQ(c.rightPicture.GetPicture(), "p6");
    EXPECT_EQ(c.leftPicture.SetCount() + c.rightPicture.SetCount(), 2);
    EXPECT_EQ(c.leftStatus.GetText(), ItemLine(5, "u5", Gbk("[正在采集...]\r\n")));
    EXPECT_EQ(c.rightStatus.GetText(), ItemLine(6, "u6", Gbk("[正在采集...]\r\n")));
    // Once the window has caught up, the next line is posted again.
    presenter.ItemDone({7, "u7", {}, true});
    ASSERT_EQ(queued.size(), 4u);
    queued.back()();
    EXPECT_EQ(c.sourceBox.GetText(), expected + ItemLine(7, "u7", ok));
}

}  // namespace
}  // namespace dorvane::test
