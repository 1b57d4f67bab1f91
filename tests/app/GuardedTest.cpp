// Failures on the window thread are reported, never swallowed silently, and never reach Qt's dispatch.
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "core/Worker.h"

namespace dorvane::test {
namespace {

// Collects the warnings issued while it lives.
class WarningCatcher {
public:
    WarningCatcher() {
        std::lock_guard lock(s_mutex);
        s_caught.clear();
        m_previous = qInstallMessageHandler(&Catch);
    }
    ~WarningCatcher() { qInstallMessageHandler(m_previous); }
    // The warnings that start with the prefix (Qt itself may warn about other things meanwhile).
    std::vector<std::string> Warnings(const std::string& prefix) const {
        std::lock_guard lock(s_mutex);
        std::vector<std::string> found;
        for (const std::string& warning : s_caught)
            if (warning.rfind(prefix, 0) == 0) found.push_back(warning);
        return found;
    }

private:
    static void Catch(QtMsgType type, const QMessageLogContext&, const QString& message) {
        std::lock_guard lock(s_mutex);
        if (type == QtWarningMsg) s_caught.push_back(message.toStdString());
    }
    static inline std::mutex s_mutex;
    static inline std::vector<std::string> s_caught;
    QtMessageHandler m_previous = nullptr;
};

TEST(Guarded, ReportsWhatEscapesTheBodyAndKeepsItThere) {
    struct Case {
        const char* name;
        std::function<void()> body;
        std::vector<std::string> reported;
    };
    const Case cases[] = {
        {"standard exception", [] { throw std::runtime_error("disk full"); }, {"saving failed: disk full"}},
        {"anything else", [] { throw 42; }, {"saving failed: unknown exception"}},
        {"nothing thrown", [] {}, {}},
        // Nothing to unwind off a worker: a stop ends the body quietly.
        {"stop off a worker", [] { throw WorkerStopped{}; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WarningCatcher catcher;
        EXPECT_NO_THROW(Guarded("saving", c.body));
        EXPECT_EQ(catcher.Warnings("saving"), c.reported);
    }
}

TEST(Guarded, AStoppedWorkerUnwindsThroughIt) {
    WarningCatcher catcher;
    WorkerScope worker(std::make_shared<WorkerToken>(0));
    EXPECT_THROW(Guarded("saving", [] { throw WorkerStopped{}; }), WorkerStopped);
    EXPECT_TRUE(catcher.Warnings("saving").empty());
}

TEST(Guarded, AFailedControlAccessIsReportedAndItsWorkerEnds) {
    MainWindow window;
    AnswerScope answers;  // puts the usual answerer back afterwards
    QtMessageBoxes::SetAnswerer(
        [](const Text&, int, const Text&) -> int { throw std::runtime_error("gone"); });
    WarningCatcher catcher;
    std::atomic<bool> wentOn{false};
    MessageBoxes* boxes = window.Controls().messages;
    auto token = StartWorkerThread([&] {
        boxes->Show("question");
        wentOn = true;
    });
    ASSERT_TRUE(ProcessUntil([&] { return token->Finished(); }));
    EXPECT_FALSE(wentOn);
    EXPECT_EQ(catcher.Warnings("control access"), std::vector<std::string>{"control access failed: gone"});
}

}  // namespace
}  // namespace dorvane::test
