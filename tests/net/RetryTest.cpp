// Retries against a local server that fails on purpose and counts what it was asked.
#include "net/Retry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "core/Worker.h"
#include "support/RawServer.h"

namespace dorvane {
namespace {

using test::RawConnection;
using test::RawRequest;
using test::RawServer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using ScriptedAnswer = std::function<void(RawConnection&)>;

const std::string kImage(40000, 'i');

void Good(RawConnection& connection) { connection.Respond("HTTP/1.1 200 OK", {}, kImage); }
void Busy(RawConnection& connection) { connection.Respond("HTTP/1.1 503 Service Unavailable", {}, "busy"); }
void Missing(RawConnection& connection) { connection.Respond("HTTP/1.1 404 Not Found", {}, "none"); }
void TooMany(RawConnection& connection) {
    connection.Respond("HTTP/1.1 429 Too Many Requests", {"Retry-After: 1"}, "later");
}
void ResetMidBody(RawConnection& connection) {
    connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 40000\r\n\r\n" + kImage.substr(0, 9000));
    std::this_thread::sleep_for(milliseconds(100));
    connection.Reset();
}

// Answers the n-th request with the n-th answer; the last one answers every request after it.
RawServer::Handler Script(std::vector<ScriptedAnswer> answers, std::atomic<int>& requests) {
    return [answers, &requests](const RawRequest&, RawConnection& connection) {
        const size_t index = static_cast<size_t>(requests++);
        answers[std::min(index, answers.size() - 1)](connection);
    };
}

class Retries : public ::testing::Test {
protected:
    const NetworkLimits limits{.retries = 3};
};

TEST_F(Retries, TransientFailuresAreTriedAgainAfterTheirPause) {
    const struct {
        const char* name;
        std::vector<ScriptedAnswer> answers;
        int requests;
        bool succeeds;
        int status;
        milliseconds leastPause;  // the pauses the schedule (or Retry-After) asks for
    } cases[] = {
        {"reset mid-body, then good", {ResetMidBody, Good}, 2, true, 200, milliseconds(500)},
        {"503 twice, then good", {Busy, Busy, Good}, 3, true, 200, milliseconds(1500)},
        {"503 always", {Busy}, 4, false, 503, milliseconds(3500)},
        {"404 is final", {Missing}, 1, false, 404, milliseconds(0)},
        {"429 asks for a second, then good", {TooMany, Good}, 2, true, 200, milliseconds(900)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> requests{0};
        RawServer server(Script(c.answers, requests));
        const auto start = Clock::now();
        FetchResult result = FetchImageBytes(server.Url("/img.jpg"), {}, limits);
        EXPECT_GE(Clock::now() - start, c.leastPause);
        EXPECT_EQ(requests.load(), c.requests);
        EXPECT_EQ(result.Succeeded(), c.succeeds);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.body, c.succeeds ? kImage : "");
    }
}

TEST_F(Retries, PageTextAndPlainDownloadRetryAsWell) {
    std::atomic<int> requests{0};
    RawServer server(Script({Busy,
                             [](RawConnection& connection) {
                                 connection.Respond("HTTP/1.1 200 OK", {},
                                                    "<meta charset=utf-8>\xe9\x87\x87");
                             }},
                            requests));
    EXPECT_EQ(FetchPageText(server.Url("/page"), {}, limits), "<meta charset=utf-8>" + Gbk("采"));
    EXPECT_EQ(requests.load(), 2);
    EXPECT_EQ(PlainDownloadRetrying(server.Url("/file"), limits).body, "<meta charset=utf-8>\xe9\x87\x87");
    EXPECT_EQ(requests.load(), 3);
}

TEST_F(Retries, AStopDuringAPauseEndsTheWorkerWithoutAnotherRequest) {
    std::atomic<int> requests{0};
    std::atomic<bool> answered{false};
    RawServer server([&](const RawRequest&, RawConnection& connection) {
        ++requests;
        connection.Respond("HTTP/1.1 503 Service Unavailable", {"Retry-After: 30"}, "busy");
        answered = true;
    });
    std::atomic<bool> returned{false};
    auto token = StartWorkerThread([&] {
        FetchImageBytes(server.Url("/img.jpg"), {}, limits);
        returned = true;
    });
    ASSERT_NE(token, nullptr);
    while (!answered) std::this_thread::sleep_for(milliseconds(5));
    std::this_thread::sleep_for(milliseconds(100));  // into the 30 s pause
    token->RequestStop();
    ASSERT_TRUE(token->WaitFinished(std::chrono::seconds(10)));
    EXPECT_FALSE(returned);
    EXPECT_EQ(requests.load(), 1);
}

std::string HttpDate(std::time_t when) {
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

TEST(RetryPause, DoublesFromHalfASecondUnlessTheAnswerSaysHowLong) {
    const std::time_t now = std::time(nullptr);
    const struct {
        std::string retryAfter;  // empty: no such line
        int failedTries;
        milliseconds least, most;
    } cases[] = {
        {"", 1, milliseconds(500), milliseconds(500)},
        {"", 3, milliseconds(2000), milliseconds(2000)},
        {"", 40, milliseconds(30000), milliseconds(30000)},
        {"7", 1, milliseconds(7000), milliseconds(7000)},
        {"0", 3, milliseconds(0), milliseconds(0)},
        {"86400", 1, milliseconds(30000), milliseconds(30000)},
        {"99999999999999999999999", 1, milliseconds(30000), milliseconds(30000)},
        {"soon", 2, milliseconds(1000), milliseconds(1000)},
        {"-5", 1, milliseconds(500), milliseconds(500)},
        {HttpDate(now + 10), 1, milliseconds(9000), milliseconds(10000)},
        {HttpDate(now - 100), 1, milliseconds(0), milliseconds(0)},
        {HttpDate(now + 3600), 1, milliseconds(30000), milliseconds(30000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.retryAfter + " after " + std::to_string(c.failedTries));
        FetchResult result;
        result.outcome = FetchOutcome::Complete;
        result.status = 503;
        result.headerBlock =
            "HTTP/1.1 503 Busy\r\n" +
            (c.retryAfter.empty() ? std::string() : "retry-after:  " + c.retryAfter + "\r\n") + "\r\n";
        const milliseconds pause = RetryPause(result, c.failedTries);
        EXPECT_GE(pause, c.least);
        EXPECT_LE(pause, c.most);
    }
}

TEST(RetryDecision, OnlyPassingFailuresAreTransient) {
    const struct {
        FetchOutcome outcome;
        int status;
        bool transient;
    } cases[] = {
        {FetchOutcome::ConnectFailed, 0, true}, {FetchOutcome::NoResponse, 0, true},
        {FetchOutcome::BodyCutOff, 200, true},  {FetchOutcome::Complete, 429, true},
        {FetchOutcome::Complete, 500, true},    {FetchOutcome::Complete, 599, true},
        {FetchOutcome::Complete, 200, false},   {FetchOutcome::Complete, 404, false},
        {FetchOutcome::Complete, 403, false},   {FetchOutcome::Complete, 600, false},
        {FetchOutcome::TooLarge, 200, false},   {FetchOutcome::Stopped, 0, false},
        {FetchOutcome::BadAddress, 0, false},   {FetchOutcome::BadHeader, 0, false},
    };
    for (const auto& c : cases) {
        FetchResult result;
        result.outcome = c.outcome;
        result.status = c.status;
        EXPECT_EQ(IsTransient(result), c.transient) << static_cast<int>(c.outcome) << " " << c.status;
    }
}

}  // namespace
}  // namespace dorvane
