// The custom page's rules: pieces and task names for the markers a user can type, and the "开始" handler's
// three functions on in-memory controls.
#include <gtest/gtest.h>

#include <chrono>

#include "core/CodePage.h"
#include "support/MemoryControls.h"
#include "session/CustomPage.h"
#include "custom/CustomRules.h"

namespace dorvane::test {
namespace {

Text G(const std::string& utf8) { return Utf8ToGbkText(utf8); }

TEST(CustomRules, PiecesAndTaskNames) {
    const std::string page = "<h1>A</h1><img src=\"u1\"><img src=\"u2\">";
    struct Case {
        const char* name;
        std::string source;
        custom::Rules rules;
        TextList items;
        Text taskName;
    } const cases[] = {
        {"one title", page, {"<h1>", "</h1>", "src=\"", "\""}, {"u1", "u2"}, "A[2P]"},
        {"two titles",
         "<h1>A</h1><h1>B</h1>src=\"x\"",
         {"<h1>", "</h1>", "src=\"", "\""},
         {"x"},
         G("未命名[1P]")},
        {"no title", page, {"<h2>", "</h2>", "src=\"", "\""}, {"u1", "u2"}, G("未命名[2P]")},
        {"case respected", page, {"<H1>", "</H1>", "SRC=\"", "\""}, {}, {}},
        {"empty start markers", page, {"", "</h1>", "", "\""}, {}, {}},
        {"empty end marker", "xaxab", {"", "", "a", ""}, {"", ""}, G("未命名[2P]")},
        {"overlap", "aab", {"", "", "a", "b"}, {"a", ""}, G("未命名[2P]")},
        {"title as a path",
         "<h1>../x/y</h1>src=\"u\"",
         {"<h1>", "</h1>", "src=\"", "\""},
         {"u"},
         ".._x_y[1P]"},
        {"chinese",
         G("<b>春日</b>【图】1【/图】"),
         {"<b>", "</b>", G("【图】"), G("【/图】")},
         {"1"},
         G("春日[1P]")},
    };
    for (const Case& c : cases) {
        const custom::Extraction found = custom::Extract(c.source, c.rules);
        EXPECT_EQ(found.items, c.items) << c.name;
        if (!c.items.empty()) {
            EXPECT_EQ(custom::TaskName(found.titles, found.items.size()), c.taskName) << c.name;
        }
    }
    EXPECT_EQ(custom::ExtractionOutput({"a", "", "c"}), "a\r\n\r\nc\r\n");
}

TEST(CustomRules, TenThousandItemsEndPromptly) {
    std::string source;
    for (int i = 0; i < 10000; ++i) source += "<i>" + std::to_string(i) + "</i>";
    // Not a timing test: a runaway search would not end at all.
    const custom::Extraction found = custom::Extract(source, {"", "", "<i>", "</i>"});
    ASSERT_EQ(found.items.size(), 10000u);
    EXPECT_EQ(found.items.back(), "9999");
}

class CustomStart : public ::testing::Test {
protected:
    void SetUp() override {
        c.sourceBox->SetText("<h1>T</h1>[x]one[/x][x]two[/x]");
        c.titleStart->SetText("<h1>");
        c.titleEnd->SetText("</h1>");
        c.contentStart->SetText("[x]");
        c.contentEnd->SetText("[/x]");
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& shown : window.messages.Messages()) texts.push_back(GbkToUtf8(shown.text));
        return texts;
    }
    MemoryMainWindow window;
    CustomPage& c = window.controls.custom;
};

TEST_F(CustomStart, ExtractionListsThePieces) {
    custom::Start(window.controls);
    EXPECT_EQ(c.sourceBox->GetText(), "one\r\ntwo\r\n");
    EXPECT_TRUE(c.sourceBox->IsReadOnly());
    EXPECT_EQ(Messages(), std::vector<std::string>{"==== 提 取 完 成 ===="});
}

TEST_F(CustomStart, NothingFoundKeepsTheSourceAndTheName) {
    c.contentStart->SetText("[y]");
    custom::Start(window.controls);
    EXPECT_EQ(Messages(), std::vector<std::string>{"错误！标题！"});
    EXPECT_EQ(c.sourceBox->GetText(), "<h1>T</h1>[x]one[/x][x]two[/x]");
    EXPECT_FALSE(c.sourceBox->IsReadOnly());
}

TEST_F(CustomStart, MoreFunctionsShowsTheNotice) {
    c.extractLinks->SetSelected(false);
    c.noticeBox->SetVisible(false);
    custom::Start(window.controls);
    EXPECT_TRUE(c.moreFunctions->IsSelected());
    EXPECT_TRUE(c.noticeBox->IsVisible());
    EXPECT_EQ(c.sourceBox->GetText(), "");
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace dorvane::test
