// How soon the real main window answers while the custom page's download task runs a large task against
// a fast local site: the window is built offscreen with the program's hooks, "开始" is pressed with
// "图片采集", and every 100 ms another thread queues a query to the window thread and notes how long the
// window took to run it. Queued calls run in order, so the answer waits for whatever the task queued
// before it.
//
//   custom_window_bench [IMAGES]    default 10000; exit status 1 when the log does not end with a line
//                                   per image
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/AppHooks.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "core/Worker.h"
#include "support/FixtureImages.h"
#include "support/LocalServer.h"
#include "support/TestCertificate.h"

namespace {

using namespace dorvane::bench;

constexpr int kDistinctImages = 16;
constexpr auto kQueryEvery = std::chrono::milliseconds(100);

// The queries' answer times in seconds; one still unanswered when the task ends counts until then.
struct Queries {
    std::mutex mutex;
    std::vector<Clock::time_point> posted;
    std::vector<double> answered;
};

template <class T>
T* Named(QObject* root, const char* name) {
    return root->findChild<T*>(QString::fromLatin1(name));
}

void PressStart(dorvane::MainWindow& window, const dorvane::test::LocalServer& server, int images,
                const QString& saveFolder) {
    Named<QLineEdit>(&window, "saveFolderBox")->setText(saveFolder);
    Named<dorvane::DesignTabs>(&window, "pageTabs")->Bar()->setCurrentIndex(5);
    window.ClipboardTimer()->stop();
    QString html = QStringLiteral("<title>bench</title>");
    for (int n = 1; n <= images; ++n)
        html += QString::fromStdString(
            "<img src='" + server.Url("/img/" + std::to_string(n % kDistinctImages) + ".jpg") + "'>");
    Named<QPlainTextEdit>(&window, "custom_sourceBox")->setPlainText(html);
    Named<QLineEdit>(&window, "custom_titleRules_start")->setText(QStringLiteral("<title>"));
    Named<QLineEdit>(&window, "custom_titleRules_end")->setText(QStringLiteral("</title>"));
    Named<QLineEdit>(&window, "custom_contentRules_start")->setText(QStringLiteral("src='"));
    Named<QLineEdit>(&window, "custom_contentRules_end")->setText(QStringLiteral("'>"));
    Named<QRadioButton>(&window, "custom_imageCollect")->click();
    Named<QPushButton>(&window, "custom_startButton")->click();
    // The completion message would wait for a click: the watcher stays off, the bench watches the workers.
    window.TaskTimer()->stop();
}

// Queues a query to the window every kQueryEvery until `running` goes false.
void AskTheWindow(QObject* window, Queries& queries, const std::atomic<bool>& running) {
    while (running) {
        std::this_thread::sleep_for(kQueryEvery);
        size_t index = 0;
        {
            std::lock_guard lock(queries.mutex);
            index = queries.posted.size();
            queries.posted.push_back(Clock::now());
        }
        QMetaObject::invokeMethod(
            window,
            [&queries, index] {
                std::lock_guard lock(queries.mutex);
                queries.answered.resize(std::max(queries.answered.size(), index + 1), -1);
                queries.answered[index] = Seconds(queries.posted[index]);
            },
            Qt::QueuedConnection);
    }
}

std::vector<double> AnswerTimes(Queries& queries) {
    std::lock_guard lock(queries.mutex);
    std::vector<double> answers;
    queries.answered.resize(queries.posted.size(), -1);
    for (size_t i = 0; i < queries.posted.size(); ++i)
        answers.push_back(queries.answered[i] >= 0 ? queries.answered[i] : Seconds(queries.posted[i]));
    return answers;
}

void Print(int images, double taskSeconds, long lines, const std::vector<double>& answers) {
    const long slow = std::count_if(answers.begin(), answers.end(), [](double s) { return s >= 1.0; });
    std::printf(
        "custom task of %d images of 64 KB (640x480) from a local site, in the real window (offscreen)\n",
        images);
    std::printf("task: %.2f s, %.0f images per second; log lines at the end: %ld\n", taskSeconds,
                images / taskSeconds, lines);
    std::printf(
        "window answers to %zu queries during the task: median %.1f ms, longest %.1f ms, %ld of them "
        "1 s or more\n",
        answers.size(), Median(answers) * 1000,
        answers.empty() ? 0.0 : *std::max_element(answers.begin(), answers.end()) * 1000, slow);
}

}  // namespace

int main(int argc, char** argv) {
    const int images = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::vector<std::string> jpegs;
    for (int n = 0; n < kDistinctImages; ++n)
        jpegs.push_back(dorvane::test::MakeJpeg(static_cast<uint32_t>(n + 1), 64 * 1024, 640, 480));
    dorvane::test::LocalServer server;
    server.Http().Get(
        R"(/img/(\d+)\.jpg)", [&jpegs](const httplib::Request& request, httplib::Response& res) {
            res.set_content(jpegs[std::stoul(request.matches[1]) % kDistinctImages], "image/jpeg");
        });
    if (!server.Start()) return 1;
    const std::string saveFolder = dorvane::test::MakeTempFolder("dorvane-window-bench");

    dorvane::MainWindow window({}, dorvane::ProgramHooks());
    window.show();
    PressStart(window, server, images, QString::fromStdString(saveFolder));
    const auto start = Clock::now();
    Queries queries;
    std::atomic<bool> running{true};
    std::thread asking([&] { AskTheWindow(&window, queries, running); });
    double taskSeconds = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (dorvane::RunningWorkerCount() > 0) return;
        taskSeconds = Seconds(start);
        running = false;
        watch.stop();
        application.quit();
    });
    watch.start(20);
    application.exec();
    asking.join();
    // What is still queued (the last changes, the last queries) is shown now.
    for (int i = 0; i < 200; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    const QString log = Named<QPlainTextEdit>(&window, "custom_sourceBox")->toPlainText();
    const long lines = log.count(QLatin1Char('\n'));
    Print(images, taskSeconds, lines, AnswerTimes(queries));
    window.close();
    server.Stop();
    dorvane::test::RemoveFolder(saveFolder);
    return lines == images ? 0 : 1;
}
