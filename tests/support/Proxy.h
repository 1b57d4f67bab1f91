#pragma once
// A real tinyproxy on 127.0.0.1 for the proxy paths, with its configuration in a folder of its own.
#include <sys/types.h>

#include <string>

namespace dorvane::test {

class TinyProxy {
public:
    static constexpr const char* kProgram = "/usr/bin/tinyproxy";
    static bool Available();

    // With a user name the proxy demands Basic credentials (answering 407 without them).
    explicit TinyProxy(const std::string& user = {}, const std::string& password = {});
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    // True once the proxy accepts connections.
    bool Running() const { return m_running; }
    int Port() const { return m_port; }
    // "127.0.0.1:<port>", the form the fetchers take.
    std::string Address() const;

private:
    std::string m_folder;
    pid_t m_pid = -1;
    int m_port = -1;
    bool m_running = false;
};

}  // namespace dorvane::test
