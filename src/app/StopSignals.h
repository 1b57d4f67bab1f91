#pragma once
// SIGINT and SIGTERM as requests to stop, for the life of the object. The handler only records the
// signal and writes one byte into a pipe; the waiting thread reads the pipe and does the rest. A second
// SIGINT after the first ends the program the default way, for a user whose stop seems to hang.
#include <atomic>

namespace dorvane {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Waits until a signal arrives, Wake() is called, or the milliseconds pass (negative: no limit).
    void Wait(int milliseconds);
    // Ends a Wait; safe from any thread.
    void Wake();
    // The first signal caught (0: none yet).
    int Received() const;
};

}  // namespace dorvane
