// The notice page: items between the markers, the version decision, and the whole check against a local
// HTTPS page with in-memory panel controls.
#include <gtest/gtest.h>

#include <fstream>

#include "core/CodePage.h"
#include "support/MemoryControls.h"
#include "core/Settings.h"
#include "notice/ClientIdentifier.h"
#include "notice/VersionCheck.h"
#include "session/UpdateNotice.h"
#include "support/LocalServer.h"
#include "support/TestCertificate.h"

namespace dorvane::test {
namespace {

Text NoticeText(const std::string& utf8) { return Utf8ToGbkText(utf8); }

std::string Item(const std::string& text) { return "<p class=\"x\">【" + text + "】</p><p>"; }

TEST(Notice, ItemsAndDecision) {
    const Text own = "5.2.200608";
    struct Case {
        const char* name;
        std::string page;
        TextList items;
        bool newer;
    } const cases[] = {
        {"equal", Item("V5.2.200608") + Item("http://u"), {"V5.2.200608", "http://u"}, false},
        {"newer by one", Item("V5.2.200609") + Item("http://u"), {"V5.2.200609", "http://u"}, true},
        {"older", Item("V5.2.190101"), {"V5.2.190101"}, false},
        {"not digits", Item("V5.2.abcdef"), {"V5.2.abcdef"}, false},
        {"one item", Item("V9.9.300101"), {"V9.9.300101"}, true},
        {"upper-case markers", "<P>\">【v300101】</P><P", {"v300101"}, true},
        {"line break inside", Item("line\r\nV300101"), {"line\r\nV300101"}, true},
        {"html kept", Item("<b>new</b> 300101"), {"<b>new</b> 300101"}, true},
        {"no markers", "<p>nothing</p>", {}, false},
        {"empty page", "", {}, false},
    };
    for (const Case& c : cases) {
        const TextList items = notice::NoticeItems(NoticeText(c.page));
        TextList expected;
        for (const Text& item : c.items) expected.push_back(NoticeText(item));
        EXPECT_EQ(items, expected) << c.name;
        EXPECT_EQ(notice::IsNewer(items, own), c.newer) << c.name;
    }
    EXPECT_EQ(notice::NoticeText({"V1", "a", "b", "http://u"}), NoticeText("版本号：V1\r\na\r\nb\r\n"));
    EXPECT_EQ(notice::NoticeText({"http://u"}), NoticeText("版本号："));
    EXPECT_EQ(notice::EscapeMarker(NoticeText("a?*+[](){}.#引号\r\n")), NoticeText("a\\?\\*\\+\\[\\]\\(\\)\\{\\}.\"\\n"));
}

TEST(Notice, CheckAgainstThePublishedPage) {
    LocalServer server(LocalServer::Scheme::Https);
    std::string body;
    server.Http().Get("/docs/dorvane-test/read", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/html; charset=utf-8");
    });
    ASSERT_TRUE(server.Start());
    const Text address = notice::NoticeAddress("127.0.0.1:" + std::to_string(server.Port()), "dorvane-test");

    struct Case {
        const char* name;
        std::string page;
        bool shown;
    } const cases[] = {
        {"newer", Item("V5.2.300101") + Item("第一条") + Item("https://update.example/"), true},
        {"same", Item("V5.2.200608") + Item("https://update.example/"), false},
    };
    for (const Case& c : cases) {
        body = "<html><head><meta charset=\"utf-8\"></head><body>" + c.page + "</body></html>";
        MemoryMainWindow window;
        window.update.noticeBox.SetVisible(false);
        notice::VersionCheck(window.controls.update, "5.2.200608", address);
        EXPECT_EQ(window.update.panel.IsVisible(), c.shown) << c.name;
        EXPECT_EQ(window.update.noticeBox.IsVisible(), c.shown) << c.name;
        if (c.shown) {
            EXPECT_EQ(GbkToUtf8(window.update.noticeBox.GetText()), "版本号：V5.2.300101\r\n第一条\r\n");
            EXPECT_EQ(window.update.addressBox.GetText(), "https://update.example/");
        } else {
            EXPECT_EQ(window.update.addressBox.GetText(), "");
        }
    }
}

TEST(Notice, ClientIdentifierStaysForTheInstallation) {
    const std::string folder = MakeTempFolder("dorvane-config") + "/dorvane";
    const Text first = notice::ClientIdentifier(folder);
    EXPECT_EQ(first.size(), 16u);
    EXPECT_EQ(notice::ClientIdentifier(folder), first);
    // A damaged file gets a fresh identifier, which then stays.
    std::ofstream(folder + "/client-id") << "garbage";
    const Text second = notice::ClientIdentifier(folder);
    EXPECT_NE(second, "garbage");
    EXPECT_EQ(notice::ClientIdentifier(folder), second);
    RemoveFolder(folder.substr(0, folder.size() - 8));
}

}  // namespace
}  // namespace dorvane::test
