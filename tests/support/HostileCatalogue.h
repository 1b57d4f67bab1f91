#pragma once
// A catalogue server that misbehaves on purpose, for tests of what the catalogue survives: one connection
// on 127.0.0.1 (any free port), served on a thread of its own until the server is destroyed.
#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace dorvane::test {

class HostileCatalogue {
public:
    enum class Behaviour {
        // After the greeting: one top-level list that never ends, in pieces a millisecond apart (never a
        // quiet line, never another tag), until floodBytes have gone out; then silence with the line open.
        EndlessList,
        // After the greeting: a download list of one row rowBytes long, then nothing is read any more, so
        // a request carrying that row back can never go out whole.
        LongRowThenDeaf,
    };
    struct Options {
        Behaviour behaviour = Behaviour::EndlessList;
        // DORVANE_FLOOD_MB in the environment, when set, or 32 MB.
        size_t floodBytes = DefaultFloodBytes();
        size_t rowBytes = 4000000;
        // The download list's tag and the row's key, for LongRowThenDeaf.
        std::string listTag = "$zmcs$";
    };

    explicit HostileCatalogue(Options options);
    // The flood's size for tests that do not set one: large enough to pass every limit, and larger (through
    // the environment) for measuring memory by hand.
    static size_t DefaultFloodBytes();
    ~HostileCatalogue();
    HostileCatalogue(const HostileCatalogue&) = delete;
    HostileCatalogue& operator=(const HostileCatalogue&) = delete;

    int Port() const { return m_port; }
    // Bytes written to the connection so far.
    size_t BytesSent() const { return m_sent.load(); }

private:
    void Serve();
    bool SendAll(int fd, const std::string& bytes);
    void Flood(int fd);

    const Options m_options;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<int> m_fd{-1};
    std::atomic<bool> m_stopping{false};
    std::atomic<size_t> m_sent{0};
    std::thread m_thread;
};

}  // namespace dorvane::test
