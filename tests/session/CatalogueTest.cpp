// The catalogue conversation: messages to effects, rows to requests, whole messages out of TCP pieces, and
// one walk through the catalogue against a local TCP server with in-memory window controls.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/CodePage.h"
#include "notice/CatalogueProtocol.h"
#include "session/CatalogueSession.h"
#include "session/ManualClock.h"
#include "support/MemoryControls.h"
#include "support/TcpPeer.h"

namespace dorvane::test {
namespace {

using notice::MessageKind;

Text G(const std::string& utf8) { return Utf8ToGbkText(utf8); }

TEST(CatalogueProtocol, MessagesMeanWhatTheirTagSays) {
    struct Case {
        std::string message;
        MessageKind kind;
        std::string body;
        std::string label;
    } const cases[] = {
        {"$xtgg$Welcome", MessageKind::Announcement, "Welcome", ""},
        {"$xtts$Hello$xtts$", MessageKind::Tip, "Hello", ""},
        {"$xtml$[1]a\r\n", MessageKind::TopList, "[1]a\r\n", "打开"},
        {"$m1xr$x", MessageKind::CategoryList, "x", "秀人系列"},
        {"$m1cs$x", MessageKind::CategoryList, "x", "COSPLAY"},
        {"$mlsz$x", MessageKind::CategoryList, "x", "丝足系列"},
        {"$mlqt$x", MessageKind::CategoryList, "x", "其他套图"},
        {"$mlsg$x", MessageKind::CategoryList, "x", "无圣光集"},
        {"$zmxr$x", MessageKind::DownloadList, "x", "秀人下载"},
        {"$zmsg$x", MessageKind::DownloadList, "x", "无圣下载"},
        {"$gmcs$http://pan/1", MessageKind::DownloadAddress, "http://pan/1", ""},
        {"$gmqt$", MessageKind::DownloadAddress, "", ""},
        {"$XTGG$upper", MessageKind::Ignored, "", ""},
        {"$abcd$unknown", MessageKind::Ignored, "", ""},
        {"no tag", MessageKind::Ignored, "", ""},
        {"$xtg", MessageKind::Ignored, "", ""},
    };
    for (const Case& c : cases) {
        const notice::ServerMessage parsed = notice::ParseMessage(G(c.message));
        EXPECT_EQ(parsed.kind, c.kind) << c.message;
        EXPECT_EQ(parsed.body, G(c.body)) << c.message;
        EXPECT_EQ(parsed.label, G(c.label)) << c.message;
    }
    EXPECT_EQ(notice::ListLines("a\r\n\r\nb\r\n"), (TextList{"a", "b"}));
    EXPECT_EQ(notice::ListLines("\r\n"), TextList{});
    EXPECT_EQ(notice::Greeting("ID1"), G("%yhid%临时ID1"));
}

TEST(CatalogueProtocol, RowsToRequests) {
    struct Case {
        std::string row;
        std::string label;
        const char* request;  // nullptr: no request
        bool opensAddress;
    } const cases[] = {
        {"[12]top", "打开", "%m1dk%12", false},
        {"no brackets", "打开", "%m1dk%", false},
        {"[7]x", "秀人系列", "%cxxr%7", false},
        {"[7]x", "COSPLAY", "%cxcs%7", false},
        {"[7]x", "丝足系列", "%cxsz%7", false},
        {"[7]x", "其他套图", "%cxqt%7", false},
        {"[7]x", "无圣光集", "%cxsg%7", false},
        {"[3]pack", "秀人下载", "%gmxr%[3]pack", true},
        {"[3]pack", "COS下载", "%gmcs%[3]pack", true},
        {"[3]pack", "丝足下载", "%gmsz%[3]pack", true},
        {"[3]pack", "套图下载", "%gmqt%[3]pack", true},
        {"[3]pack", "无圣下载", "%gmsg%[3]pack", true},
        {"[3]pack", "其他", nullptr, false},
    };
    for (const Case& c : cases) {
        bool opensAddress = !c.opensAddress;
        const auto request = notice::RowRequest(G(c.row), G(c.label), opensAddress);
        ASSERT_EQ(request.has_value(), c.request != nullptr) << c.row << " " << c.label;
        if (request) {
            EXPECT_EQ(*request, G(c.request)) << c.label;
        }
        EXPECT_EQ(opensAddress, c.opensAddress) << c.label;
    }
}

TEST(CatalogueProtocol, PiecesBecomeWholeMessages) {
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        std::vector<std::string> endedByATag;  // before the quiet flush
        std::string pending;
    } const cases[] = {
        {"split message", {"$xtgg$Wel", "come"}, {}, "$xtgg$Welcome"},
        {"two joined", {"$xtgg$A$xtml$[1]x\r\n"}, {"$xtgg$A"}, "$xtml$[1]x\r\n"},
        {"tag split after one byte", {"$xtgg$A$", "xtts$B"}, {"$xtgg$A"}, "$xtts$B"},
        {"tag split after three bytes", {"$xtgg$A$xt", "ts$B"}, {"$xtgg$A"}, "$xtts$B"},
        {"tag split after five bytes", {"$xtgg$A$xtts", "$B"}, {"$xtgg$A"}, "$xtts$B"},
        {"tag split after five bytes, three pieces", {"$xtgg$A", "$xtts", "$B"}, {"$xtgg$A"}, "$xtts$B"},
        {"own tag repeated", {"$xtts$Hello$xtts$"}, {}, "$xtts$Hello$xtts$"},
        {"own tag split after five bytes", {"$xtts$Hello$xtts", "$"}, {}, "$xtts$Hello$xtts$"},
        {"unknown dollar words", {"$xtgg$price $5 $abcd$"}, {}, "$xtgg$price $5 $abcd$"},
        {"garbage before a tag", {"junk$xtgg$A"}, {"junk"}, "$xtgg$A"},
    };
    for (const Case& c : cases) {
        notice::MessageAssembler assembler;
        std::vector<std::string> ended;
        for (const std::string& piece : c.pieces)
            for (const Text& message : assembler.Add(piece)) ended.push_back(message);
        EXPECT_EQ(ended, c.endedByATag) << c.name;
        EXPECT_EQ(assembler.Flush(), c.pending) << c.name;
        EXPECT_FALSE(assembler.Pending()) << c.name;
        EXPECT_FALSE(assembler.TakeCut()) << c.name;
    }
}

TEST(CatalogueProtocol, MessagesStopAtTheSizeLimit) {
    // A limit of 24 bytes: the tag and 18 more.
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        std::vector<std::string> ended;
        std::string pending;
    } const cases[] = {
        {"cut after the last whole line",
         {"$xtml$[1]a\r\n[2]b\r\n[3]ccccccc\r\n"},
         {"$xtml$[1]a\r\n[2]b\r\n"},
         ""},
        {"the rest is dropped until another tag",
         {"$xtml$[1]a\r\n[2]b\r\n[3]cccc", "ccc\r\n[4]d\r\n", "$xtgg$Hi"},
         {"$xtml$[1]a\r\n[2]b\r\n"},
         "$xtgg$Hi"},
        {"a copy of its own tag does not end the dropping",
         {"$xtml$[1]a\r\n[2]b\r\n[3]cccccc", "$xtml$[9]z", "$xtts$T"},
         {"$xtml$[1]a\r\n[2]b\r\n"},
         "$xtts$T"},
        {"the next tag split after five bytes while dropping",
         {"$xtml$[1]a\r\n[2]b\r\n[3]ccccc$xtts", "$T"},
         {"$xtml$[1]a\r\n[2]b\r\n"},
         "$xtts$T"},
        {"no line end: cut at the limit",
         {"$xtgg$", "abcdefghijklmnopqrstuvwxyz"},
         {"$xtgg$abcdefghijklmnopqr"},
         ""},
        {"no double-byte character is halved",
         {"$xtgg$abcdefghijklmnopq\xcd\xbcxyz"},
         {"$xtgg$abcdefghijklmnopq"},
         ""},
        {"a message ended by a tag is cut too",
         {"$xtgg$abcdefghijklmnopqrstu$xtts$T"},
         {"$xtgg$abcdefghijklmnopqr"},
         "$xtts$T"},
    };
    for (const Case& c : cases) {
        notice::MessageAssembler assembler(24);
        std::vector<std::string> ended;
        for (const std::string& piece : c.pieces)
            for (const Text& message : assembler.Add(piece)) ended.push_back(message);
        EXPECT_EQ(ended, c.ended) << c.name;
        EXPECT_TRUE(assembler.TakeCut()) << c.name;
        EXPECT_FALSE(assembler.TakeCut()) << c.name;
        EXPECT_EQ(assembler.Flush(), c.pending) << c.name;
        EXPECT_FALSE(assembler.Pending()) << c.name;
    }
    // A quiet line ends the dropping: what comes after it begins a message again.
    notice::MessageAssembler assembler(24);
    assembler.Add("$xtgg$abcdefghijklmnopqrstuvwxyz");
    EXPECT_TRUE(assembler.Pending());
    EXPECT_EQ(assembler.Flush(), "");
    EXPECT_TRUE(assembler.Add("more").empty());
    EXPECT_EQ(assembler.Flush(), "more");
    EXPECT_EQ(notice::ListLines("a\r\nb\r\nc\r\n", 2), (TextList{"a", "b"}));
    EXPECT_EQ(notice::ListLines("abcd\r\nx\xcd\xbcy\r\n", 9, 2), (TextList{"ab", "x"}));
    struct Cut {
        std::string text;
        size_t maxBytes;
        size_t kept;
    } const cuts[] = {
        {"abc", 5, 3}, {"abc", 2, 2}, {"a\xcd\xbc", 2, 1}, {"a\xcd\xbc", 3, 3}, {"\xcd", 1, 0}, {"", 4, 0},
    };
    for (const Cut& c : cuts) EXPECT_EQ(notice::WholeCharacters(c.text, c.maxBytes), c.kept) << c.text;
}

bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

constexpr auto kQuiet = std::chrono::milliseconds(30);

TEST(CatalogueSession, WalkToAPackAddress) {
    Peer server;
    MemoryEditBox announcement;
    MemoryReportList list;
    MemoryMessageBoxes messages;
    MemoryEditBox address(G("正在加载地址，请稍后..."));
    // The quiet line and the address pause pass only when the test moves the clock.
    ManualClock clock;
    auto session = std::make_shared<notice::CatalogueSession>(
        notice::CatalogueControls{&announcement, &list, &messages}, "127.0.0.1", server.Port(), "ID7",
        notice::SessionLimits{}, clock);
    session->Start();
    ASSERT_TRUE(server.Accept());
    const Text greeting = notice::Greeting("ID7");
    EXPECT_EQ(server.Receive(greeting.size()), greeting);
    // Moves the clock past the quiet time, each time the session waits on it, until the condition holds.
    const auto settle = [&](const std::function<bool()>& condition) {
        return Eventually([&] {
            if (condition()) return true;
            clock.Advance(kQuiet);
            return condition();
        });
    };

    // A message in two pieces less than the quiet time apart, then a tip and a top-level list in one piece.
    int waits = clock.Waits();
    ASSERT_TRUE(server.Send(G("$xtgg$欢迎")));
    waits = clock.WaitForWaiter(waits);  // the first piece is in and waits for a quiet line
    clock.Advance(kQuiet - std::chrono::milliseconds(1));
    ASSERT_TRUE(server.Send(G("光临")));
    ASSERT_TRUE(server.Send(G("$xtts$Hello$xtts$$xtml$[1]写真\r\n[2]动漫\r\n")));
    // The tags end the announcement and the tip; only the list waits for a quiet line.
    ASSERT_TRUE(Eventually([&] { return messages.Messages().size() == 1; }));
    EXPECT_EQ(announcement.GetText(), G("欢迎光临"));
    ASSERT_TRUE(settle([&] { return list.RowCount() == 2; }));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text, "Hello");
    EXPECT_EQ(messages.Messages()[0].flags, 48);
    EXPECT_EQ(messages.Messages()[0].caption, G("提示消息"));
    EXPECT_EQ(list.CellText(1, 0), "2");
    EXPECT_EQ(list.CellText(1, 1), G("[2]动漫"));
    EXPECT_EQ(list.CellText(1, 2), G("打开"));

    // Top level -> category -> download list -> address.
    list.Select({1});
    EXPECT_FALSE(session->OpenRow());
    EXPECT_EQ(server.Receive(7), "%m1dk%2");
    ASSERT_TRUE(server.Send(G("$m1cs$[5]COS 合集\r\n")));
    ASSERT_TRUE(settle([&] { return list.RowCount() == 1 && list.CellText(0, 2) == "COSPLAY"; }));
    list.Select({0});
    EXPECT_FALSE(session->OpenRow());
    EXPECT_EQ(server.Receive(7), "%cxcs%5");
    ASSERT_TRUE(server.Send(G("$zmcs$[9]包一\r\n[10]包二\r\n")));
    ASSERT_TRUE(settle([&] { return list.RowCount() == 2 && list.CellText(1, 2) == G("COS下载"); }));
    list.Select({1});
    session->SetAddressBox(&address);
    EXPECT_TRUE(session->OpenRow());
    const Text request = G("%gmcs%[10]包二");
    EXPECT_EQ(server.Receive(request.size()), request);
    waits = clock.Waits();
    ASSERT_TRUE(server.Send(G("$gmcs$https://pan.example/abc")));
    waits = clock.WaitForWaiter(waits);  // the reply is in and waits for a quiet line
    clock.Advance(kQuiet);
    waits = clock.WaitForWaiter(waits);  // now the address pause has begun
    // A second after it arrived, not sooner.
    clock.Advance(std::chrono::milliseconds(999));
    waits = clock.WaitForWaiter(waits);
    EXPECT_EQ(address.GetText(), G("正在加载地址，请稍后..."));
    clock.Advance(std::chrono::milliseconds(1));
    ASSERT_TRUE(Eventually([&] { return address.GetText() == "https://pan.example/abc"; }));

    // Back to the top level without asking the server; a closed line changes the text colour.
    session->Back();
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.CellText(0, 0), "1");
    EXPECT_EQ(list.CellText(0, 1), G("[1]写真"));
    EXPECT_EQ(list.CellText(1, 2), G("打开"));
    server.Close();
    ASSERT_TRUE(Eventually([&] { return list.TextColour() != 0; }));
    EXPECT_GE(list.TextColour(), 1);
    EXPECT_LE(list.TextColour(), 14526784);
    session->Close();
}

TEST(CatalogueSession, NoServerMeansAnEmptyWindowAndSilentRows) {
    int port = 0;
    {
        Peer gone;  // a free port that nothing listens on once it is released
        port = gone.Port();
    }
    MemoryEditBox announcement;
    MemoryReportList list;
    MemoryMessageBoxes messages;
    auto session = std::make_shared<notice::CatalogueSession>(
        notice::CatalogueControls{&announcement, &list, &messages}, "127.0.0.1", port, "ID");
    session->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(session->Connected());
    const int row = list.InsertRow();
    list.SetCell(row, 2, G("打开"));
    list.Select({row});
    EXPECT_FALSE(session->OpenRow());
    session->Close();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(announcement.GetText(), "");
}

}  // namespace
}  // namespace dorvane::test
