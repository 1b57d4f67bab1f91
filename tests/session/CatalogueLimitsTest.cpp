// What a catalogue server cannot do to the program: the inbox's quiet line, bound and closing; a session
// against servers that flood, that send without pause and that stop reading.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "core/CodePage.h"
#include "notice/CatalogueInbox.h"
#include "session/CatalogueSession.h"
#include "session/ManualClock.h"
#include "support/HostileCatalogue.h"
#include "support/MemoryControls.h"
#include "support/TcpPeer.h"

namespace dorvane::test {
namespace {

using notice::CatalogueInbox;
using Kind = CatalogueInbox::Kind;
using std::chrono::milliseconds;

Text LimitsText(const std::string& utf8) { return Utf8ToGbkText(utf8); }

bool WithinAWhile(const std::function<bool()>& condition) {
    for (int i = 0; i < 4000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return condition();
}

// What the inbox hands on now, as "kind:message" entries.
std::vector<std::string> Drain(CatalogueInbox& inbox) {
    static const char* const kNames[] = {"message", "too large", "send timed out", "closed"};
    std::vector<std::string> items;
    while (std::optional<CatalogueInbox::Item> item = inbox.Poll())
        items.push_back(std::string(kNames[static_cast<int>(item->kind)]) + ":" + item->message);
    return items;
}

TEST(CatalogueInbox, HandsOnWholeMessagesAndEventsInOrder) {
    ManualClock clock;
    notice::InboxLimits limits;
    limits.maxMessageBytes = 24;
    CatalogueInbox inbox(limits, clock);
    // The quiet time counts from the last piece.
    ASSERT_TRUE(inbox.Push("$xtgg$Wel"));
    clock.Advance(milliseconds(29));
    EXPECT_EQ(Drain(inbox), std::vector<std::string>{});
    ASSERT_TRUE(inbox.Push("come"));
    clock.Advance(milliseconds(29));
    EXPECT_EQ(Drain(inbox), std::vector<std::string>{});
    clock.Advance(milliseconds(1));
    EXPECT_EQ(Drain(inbox), std::vector<std::string>{"message:$xtgg$Welcome"});

    // Two messages cut at the limit: the user is told once.
    ASSERT_TRUE(inbox.Push("$xtml$[1]a\r\n[2]b\r\n[3]cccccc$xtts$T"));
    ASSERT_TRUE(inbox.Push("$xtgg$abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(Drain(inbox),
              (std::vector<std::string>{"message:$xtml$[1]a\r\n[2]b\r\n", "too large:", "message:$xtts$T",
                                        "message:$xtgg$abcdefghijklmnopqr"}));

    // A closed connection ends the message still arriving, after a send that timed out.
    ASSERT_TRUE(inbox.Push("$xtml$[1]a"));
    inbox.PushEvent(Kind::SendTimedOut);
    inbox.PushEvent(Kind::Closed);
    EXPECT_EQ(Drain(inbox), (std::vector<std::string>{"send timed out:", "message:$xtml$[1]a", "closed:"}));
}

TEST(CatalogueInbox, CloseReleasesEveryWait) {
    ManualClock clock;
    notice::InboxLimits limits;
    limits.maxMessages = 2;
    CatalogueInbox inbox(limits, clock);
    ASSERT_TRUE(inbox.Push("$xtgg$A$xtts$B$xtml$C"));  // two whole messages: full
    std::optional<bool> pushed;
    std::optional<bool> slept;
    std::thread pusher([&] { pushed = inbox.Push("$xtgg$D"); });
    std::thread sleeper([&] { slept = inbox.Sleep(1000); });
    clock.WaitForWaiter(0);  // the sleeper waits on the clock
    inbox.Close();
    pusher.join();
    sleeper.join();
    EXPECT_EQ(pushed, false);
    EXPECT_EQ(slept, false);
    EXPECT_EQ(inbox.Next(), std::nullopt);
    EXPECT_FALSE(inbox.Push("$xtgg$E"));
}

// Message boxes that keep the showing side busy until the test lets them go.
class HeldMessageBoxes : public MessageBoxes {
public:
    int Show(const Text& text, int, const Text&) override {
        std::unique_lock lock(m_mutex);
        m_shown.push_back(text);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_held; });
        return IdOk;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_held = false;
        m_changed.notify_all();
    }
    std::vector<Text> Shown() {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = true;
    std::vector<Text> m_shown;
};

// The controls of one session and the session itself, on a clock of the test's own.
struct SessionScope {
    explicit SessionScope(int port, MessageBoxes* boxes = nullptr, notice::SessionLimits limits = {})
        : session(std::make_shared<notice::CatalogueSession>(
              notice::CatalogueControls{&announcement, &list, boxes ? boxes : &messages}, "127.0.0.1", port,
              "ID", limits, clock)) {
        session->Start();
    }
    ~SessionScope() { session->Close(); }
    MemoryEditBox announcement;
    MemoryReportList list;
    MemoryMessageBoxes messages;
    ManualClock clock;
    std::shared_ptr<notice::CatalogueSession> session;
};

TEST(CatalogueSession, AServerThatOutrunsTheWindowIsHeldBack) {
    Peer server;
    HeldMessageBoxes boxes;
    notice::SessionLimits limits;
    limits.inbox.maxMessages = 4;
    SessionScope scope(server.Port(), &boxes, limits);
    ASSERT_TRUE(server.Accept());
    // The first tip keeps the window busy; behind it, whole messages without end.
    ASSERT_TRUE(server.Send("$xtts$hold$xtgg$start"));
    ASSERT_TRUE(WithinAWhile([&] { return boxes.Shown().size() == 1; }));
    fcntl(server.Fd(), F_SETFL, fcntl(server.Fd(), F_GETFL) | O_NONBLOCK);
    // Announcements, each ended by an address reply without address (a message of another tag).
    const std::string message = "$xtgg$" + std::string(4096, 'a') + "$gmxr$";
    constexpr size_t kLimit = 512u << 20;  // far beyond the queue and both socket buffers
    size_t sent = 0;
    for (;;) {
        const ssize_t n = ::send(server.Fd(), message.data(), message.size(), MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<size_t>(n);
        if (sent >= kLimit) break;
        if (n < 0 && errno == EAGAIN) {
            // Nothing more is taken while the window is busy.
            pollfd waiter{server.Fd(), POLLOUT, 0};
            if (::poll(&waiter, 1, 2000) == 0) break;
        } else if (n <= 0) {
            break;
        }
    }
    EXPECT_LT(sent, kLimit);
    // The window lets go; closing returns although the reading side waits on a full queue.
    boxes.Release();
    scope.session->Close();
    EXPECT_FALSE(scope.session->Connected());
}

TEST(CatalogueSession, AnEndlessListShowsItsFirstRowsAndOneTip) {
    HostileCatalogue server({});
    notice::SessionLimits limits;
    limits.maxRows = 300;
    SessionScope scope(server.Port(), nullptr, limits);
    // The clock never moves: the flood never pauses, as far as the session knows.
    ASSERT_TRUE(WithinAWhile([&] { return server.BytesSent() >= HostileCatalogue::DefaultFloodBytes(); }));
    ASSERT_TRUE(WithinAWhile([&] { return scope.messages.Messages().size() == 1; }));
    EXPECT_EQ(scope.messages.Messages()[0].text, LimitsText("目录服务器的回答太长，超出的部分已丢弃。"));
    EXPECT_EQ(scope.messages.Messages()[0].caption, LimitsText("提示消息"));
    ASSERT_TRUE(WithinAWhile([&] { return scope.list.RowCount() == 300; }));
    EXPECT_EQ(scope.list.CellText(299, 1), LimitsText("[300]图包 ") + std::string(40, 'x'));

    // "返回目录" while the server goes on: every row is whole and numbered where it stands.
    for (int i = 0; i < 3; ++i) scope.session->Back();
    ASSERT_LE(scope.list.RowCount(), 300);
    for (int row = 0; row < scope.list.RowCount(); ++row) {
        EXPECT_EQ(scope.list.CellText(row, 0), std::to_string(row + 1));
        EXPECT_EQ(scope.list.CellText(row, 1),
                  LimitsText("[" + std::to_string(row + 1) + "]图包 ") + std::string(40, 'x'));
        EXPECT_EQ(scope.list.CellText(row, 2), LimitsText("打开"));
    }
}

TEST(CatalogueSession, RowsAppliedWhileTheUserGoesBackStayWhole) {
    Peer server;
    notice::SessionLimits limits;
    limits.maxRows = 400;
    SessionScope scope(server.Port(), nullptr, limits);
    ASSERT_TRUE(server.Accept());
    std::string top = "$xtml$";
    for (int i = 1; i <= 200; ++i) top += "[" + std::to_string(i) + "]top\r\n";
    std::string category = "$m1cs$";
    for (int i = 1; i <= 300; ++i) category += "[" + std::to_string(i) + "]cos\r\n";
    // Each batch ends with an address reply without address, which changes nothing but ends what came
    // before it without waiting for a quiet line.
    ASSERT_TRUE(server.Send(top + "$xtgg$end of top$gmxr$"));
    ASSERT_TRUE(WithinAWhile([&] { return scope.announcement.GetText() == "end of top"; }));
    // A category list arrives while the user goes back again and again.
    ASSERT_TRUE(server.Send(category + "$xtgg$end of category$gmxr$"));
    ASSERT_TRUE(WithinAWhile([&] {
        scope.session->Back();
        return scope.announcement.GetText() == "end of category";
    }));
    const int rows = scope.list.RowCount();
    EXPECT_LE(rows, 400);
    for (int row = 0; row < rows; ++row) {
        const Text label = scope.list.CellText(row, 2);
        EXPECT_EQ(scope.list.CellText(row, 0), std::to_string(row + 1)) << row;
        EXPECT_TRUE(label == LimitsText("打开") || label == "COSPLAY") << row;
        EXPECT_EQ(scope.list.CellText(row, 1).find(label == "COSPLAY" ? "cos" : "top") != Text::npos, true)
            << row;
    }
}

TEST(CatalogueSession, LongTextsAreCutForShowing) {
    Peer server;
    SessionScope scope(server.Port());
    ASSERT_TRUE(server.Accept());
    const std::string tail = "\xcd\xbc";  // one double-byte character across the limit
    ASSERT_TRUE(server.Send("$xtgg$" + std::string(4095, 'a') + tail + "$xtml$[1]" + std::string(5000, 'b') +
                            "\r\n$xtts$" + std::string(5000, 't') + "$gmxr$"));
    ASSERT_TRUE(WithinAWhile([&] { return scope.messages.Messages().size() == 1; }));
    EXPECT_EQ(scope.announcement.GetText(), std::string(4095, 'a'));
    EXPECT_EQ(scope.list.CellText(0, 1), "[1]" + std::string(4093, 'b'));
    EXPECT_EQ(scope.messages.Messages()[0].text, std::string(4096, 't'));
    // "返回目录" redraws the list as it was cut.
    scope.session->Back();
    EXPECT_EQ(scope.list.CellText(0, 1), "[1]" + std::string(4093, 'b'));
}

TEST(CatalogueSession, ARequestThatCannotGoOutClosesTheConnectionAndSaysSo) {
    HostileCatalogue::Options options;
    options.behaviour = HostileCatalogue::Behaviour::LongRowThenDeaf;
    HostileCatalogue server(options);
    notice::SessionLimits limits;
    limits.sendTimeoutMilliseconds = 200;
    limits.maxTextBytes = 8u << 20;  // the row stays whole, so its request cannot fit the socket buffers
    SessionScope scope(server.Port(), nullptr, limits);
    ASSERT_TRUE(WithinAWhile([&] { return scope.list.RowCount() == 1; }));
    scope.list.Select({0});
    // Each request carries the 4 MB row back to a server that reads nothing; both calls return at once.
    EXPECT_TRUE(scope.session->OpenRow());
    EXPECT_TRUE(scope.session->OpenRow());
    ASSERT_TRUE(WithinAWhile([&] { return scope.list.TextColour() != 0; }));
    ASSERT_EQ(scope.messages.Messages().size(), 1u);
    EXPECT_EQ(scope.messages.Messages()[0].text,
              LimitsText("目录服务器没有接收请求，连接已断开。请关闭目录窗口后再打开。"));
    EXPECT_FALSE(scope.session->Connected());
}

}  // namespace
}  // namespace dorvane::test
