#include "ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace dorvane::test {

namespace {

// This process's environment without a display or a settings folder of the user's, and with a platform
// plugin no Qt can load. Built before the spawn: the child only executes.
std::vector<std::string> ChildEnvironment(bool platformNamed) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" || name == "XDG_CONFIG_HOME")
            continue;
        environment.push_back(text);
    }
    if (platformNamed) environment.push_back("QT_QPA_PLATFORM=no-such-platform");
    // The user's own settings file must not reach the tests.
    environment.push_back("XDG_CONFIG_HOME=/nonexistent-dorvane-config");
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::string ProgramPath() { return DORVANE_PROGRAM; }

RunningProgram::RunningProgram(const std::vector<std::string>& arguments, const std::string& folder,
                               bool platformNamed) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<std::string> argv{ProgramPath()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment = ChildEnvironment(platformNamed);
    const std::vector<char*> argvPointers = Pointers(argv);
    const std::vector<char*> environmentPointers = Pointers(environment);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(), environmentPointers.data()) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

RunningProgram::~RunningProgram() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
    if (m_err >= 0) ::close(m_err);
}

void RunningProgram::Signal(int number) const {
    if (m_pid > 0) ::kill(m_pid, number);
}

ProgramResult RunningProgram::Finish() {
    ProgramResult result;
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    if (m_pid > 0 && ::waitpid(m_pid, &status, 0) == m_pid) {
        if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    }
    m_pid = -1;
    return result;
}

ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& folder, bool platformNamed) {
    RunningProgram program(arguments, folder, platformNamed);
    return program.Finish();
}

}  // namespace dorvane::test
