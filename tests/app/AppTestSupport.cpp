#include "AppTestSupport.h"

#include <QThread>
#include <chrono>
#include <thread>

#include "app/Fonts.h"
#include "app/SystemOpen.h"
#include "core/Worker.h"

namespace dorvane::test {

namespace {

// gtest_main is linked: the application is made by a global environment registered at load time.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        m_application = new QApplication(argc, argv);
        QApplication::setFont(DefaultFont());
        // Nothing a test does may start a browser.
        SetSystemOpener([](const QUrl&) { return false; });
    }
    void TearDown() override {
        StopAllWorkers(std::chrono::seconds(10));
        delete m_application;
        m_application = nullptr;
    }

private:
    QApplication* m_application = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

bool ProcessUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void ProcessPending() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

AnswerScope::AnswerScope(int answerGiven) : answer(answerGiven) {
    QtMessageBoxes::SetAnswerer([this](const Text& text, int flags, const Text& caption) {
        asked.push_back({text, flags, caption});
        return answer;
    });
}

AnswerScope::~AnswerScope() { QtMessageBoxes::SetAnswerer(nullptr); }

}  // namespace dorvane::test
