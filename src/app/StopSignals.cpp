#include "app/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace dorvane {

namespace {

static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

std::atomic<int> g_received{0};
int g_pipe[2] = {-1, -1};
struct sigaction g_previousInt {};
struct sigaction g_previousTerm {};

void OnSignal(int number) {
    const int savedErrno = errno;
    int expected = 0;
    g_received.compare_exchange_strong(expected, number);
    const char byte = 1;
    // A full pipe already holds a wake-up: losing this byte loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

void Install(int number, int flags, struct sigaction& previous) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    ::sigaction(number, &action, &previous);
}

}  // namespace

StopSignals::StopSignals() {
    g_received.store(0);
    if (::pipe(g_pipe) == 0) {
        for (int end : g_pipe) {
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        }
    }
    Install(SIGINT, SA_RESETHAND | SA_RESTART, g_previousInt);
    Install(SIGTERM, SA_RESTART, g_previousTerm);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    for (int& end : g_pipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

void StopSignals::Wait(int milliseconds) {
    pollfd reader{g_pipe[0], POLLIN, 0};
    if (::poll(&reader, 1, milliseconds) <= 0) return;
    char bytes[64];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

void StopSignals::Wake() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

int StopSignals::Received() const { return g_received.load(); }

}  // namespace dorvane
