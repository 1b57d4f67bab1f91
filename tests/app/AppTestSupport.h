#pragma once
// Helpers for the window tests: the offscreen QApplication (made once for the whole run), waiting while
// the window thread processes events, finding controls by name, and scoped replacements of the seams.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <array>
#include <functional>

#include "app/QtControls.h"
#include "demo/SiteNames.h"
#include "view/SitePage.h"

namespace dorvane::test {

// Processes events until the condition holds; false when it did not within about ten seconds.
bool ProcessUntil(const std::function<bool()>& condition);
// Processes the events that are waiting now (and those they post) for a short while.
void ProcessPending();

template <class T>
T* Find(QObject* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QString U(const char* utf8);

// Answers every message box for one test and records what was asked.
class AnswerScope {
public:
    struct Asked {
        Text text;
        int flags;
        Text caption;
    };
    explicit AnswerScope(int answer = IdOk);
    ~AnswerScope();
    std::vector<Asked> asked;
    int answer;
};

}  // namespace dorvane::test
