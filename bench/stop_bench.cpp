// How fast a worker ends once it is told to stop, wherever it is: (a) inside a transfer whose body arrives
// slowly (1 KB every 50 ms), (b) in the pause before a retry, (c) in a collector's wait (CheckedDelaySince,
// a worker Sleep), (d) in a collection's wait for four transfers in flight at once, every one stalled.
// Measured from RequestStop() to the moment the worker has left its routine; the target is
// below 200 ms each.
//
//   stop_bench [runs]   median and largest figure of the runs (10 unless given)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "collectors/OutputPaths.h"
#include "core/NetworkLimits.h"
#include "core/WorkAhead.h"
#include "core/Worker.h"
#include "net/HttpObjectFetch.h"
#include "net/Retry.h"
#include "support/RawServer.h"

namespace {

using namespace dorvane::bench;
using dorvane::test::RawConnection;
using dorvane::test::RawRequest;
using dorvane::test::RawServer;
using std::chrono::milliseconds;

constexpr double kTargetMs = 200;

// Sends a 1 MB body 1 KB at a time, one piece every 50 ms; counts the pieces sent.
RawServer::Handler SlowBody(std::atomic<int>& pieces) {
    return [&pieces](const RawRequest&, RawConnection& connection) {
        if (!connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\n\r\n")) return;
        const std::string piece(1024, 's');
        for (int k = 0; k < 1024; ++k) {
            if (!connection.Write(piece)) return;
            ++pieces;
            connection.Stall(milliseconds(50));
        }
    };
}

// Sends the header and then nothing (a stalled body).
RawServer::Handler Stalling(std::atomic<int>& answers) {
    return [&answers](const RawRequest&, RawConnection& connection) {
        connection.Write("HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\n\r\n");
        ++answers;
        connection.Stall();
    };
}

// Answers 503 and asks for a 30 s pause; counts the answers.
RawServer::Handler Busy(std::atomic<int>& answers) {
    return [&answers](const RawRequest&, RawConnection& connection) {
        connection.Respond("HTTP/1.1 503 Service Unavailable", {"Retry-After: 30"}, "busy");
        ++answers;
    };
}

// Starts the routine on a worker, waits until ready() holds and a little longer, stops the worker and
// returns the milliseconds until it left the routine (-1 when it did not within 10 s).
double TimeStop(const std::function<void()>& routine, const std::function<bool()>& ready) {
    auto token = dorvane::StartWorkerThread(routine);
    if (!token) return -1;
    while (!ready()) std::this_thread::sleep_for(milliseconds(2));
    std::this_thread::sleep_for(milliseconds(120));  // well inside the transfer or the wait
    const auto start = Clock::now();
    token->RequestStop();
    const bool finished = token->WaitFinished(std::chrono::seconds(10));
    const double ms = Seconds(start) * 1000;
    // The routine uses the caller's server: it has to be gone before the server is.
    while (!finished && !token->WaitFinished(std::chrono::seconds(10))) {
    }
    return finished ? ms : -1;
}

struct Figures {
    double medianMs = 0, largestMs = 0;
    bool failed = false;
};

Figures Measure(int runs, const std::function<double()>& once) {
    std::vector<double> values;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        const double ms = once();
        figures.failed = figures.failed || ms < 0;
        values.push_back(ms);
    }
    figures.medianMs = Median(values);
    figures.largestMs = *std::max_element(values.begin(), values.end());
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const Figures transfer = Measure(runs, [] {
        std::atomic<int> pieces{0};
        RawServer server(SlowBody(pieces));
        return TimeStop([&] { dorvane::HttpObjectFetch(server.Url("/slow.jpg")); },
                        [&] { return pieces > 2; });
    });
    const Figures stalled = Measure(runs, [] {
        std::atomic<int> answers{0};
        RawServer server(Stalling(answers));
        return TimeStop([&] { dorvane::HttpObjectFetch(server.Url("/stalled.jpg")); },
                        [&] { return answers > 0; });
    });
    const Figures retryPause = Measure(runs, [] {
        std::atomic<int> answers{0};
        RawServer server(Busy(answers));
        return TimeStop([&] { dorvane::FetchImageBytes(server.Url("/busy.jpg"), {}, {.retries = 3}); },
                        [&] { return answers > 0; });
    });
    const Figures delay = Measure(runs, [] {
        std::atomic<bool> waiting{false};
        return TimeStop(
            [&] {
                waiting = true;
                dorvane::CheckedDelaySince(std::chrono::steady_clock::now(), 30000);
            },
            [&] { return waiting.load(); });
    });

    const Figures inFlight = Measure(runs, [] {
        std::atomic<int> answers{0};
        RawServer server(Stalling(answers));
        return TimeStop(
            [&] {
                // As a collection fetches ahead: four transfers on threads of their own, the worker
                // waiting for the first.
                dorvane::WorkAhead ahead(4);
                dorvane::WorkAhead::Ticket first = 0;
                for (int k = 0; k < 4; ++k) {
                    const auto ticket = ahead.Queue([&server, k] {
                        dorvane::HttpObjectFetch(server.Url("/stalled" + std::to_string(k) + ".jpg"));
                    });
                    if (k == 0) first = ticket;
                }
                ahead.Take(first);
            },
            [&] { return answers >= 4; });
    });

    std::printf("Time from RequestStop() to the worker's end, median / largest of %d runs\n", runs);
    const auto row = [](const char* what, const Figures& f) {
        std::printf("  %-46s %7.2f / %7.2f ms   target < %.0f ms: %s\n", what, f.medianMs, f.largestMs,
                    kTargetMs, !f.failed && f.largestMs < kTargetMs ? "met" : "MISSED");
    };
    row("(a) mid-transfer, body at 1 KB per 50 ms", transfer);
    row("    the same, no byte moving at all", stalled);
    row("(b) in the pause before a retry", retryPause);
    row("(c) in CheckedDelaySince (a worker Sleep)", delay);
    row("(d) four stalled transfers in flight", inFlight);
    const bool failed = transfer.failed || stalled.failed || retryPause.failed || delay.failed || inFlight.failed;
    if (failed) std::fprintf(stderr, "FAILED: a worker did not end within 10 s\n");
    return failed ? 1 : 0;
}
