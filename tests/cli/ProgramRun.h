#pragma once
// The built dorvane program run as a user runs it: its own process, arguments, folder and environment,
// its standard output and error read through pipes. The environment names a Qt platform plugin that does
// not exist and no display, so a command that started anything of Qt's window machinery would fail; or,
// asked for, no platform at all, as on a machine without a desktop.
#include <sys/types.h>

#include <string>
#include <vector>

namespace dorvane::test {

struct ProgramResult {
    int status = -1;          // the exit status; -1 when the program ended by a signal
    int signal = 0;           // the signal that ended it
    std::string out;
    std::string err;
};

class RunningProgram {
public:
    // Starts the program with the arguments (argv[1] on) in the folder (empty: this process's).
    RunningProgram(const std::vector<std::string>& arguments, const std::string& folder = {},
                   bool platformNamed = true);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return m_pid > 0; }
    void Signal(int number) const;
    // Reads both outputs to their end and waits for the program to leave.
    ProgramResult Finish();

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

// Runs the program to its end.
ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& folder = {},
                         bool platformNamed = true);

// The path of the program under test.
std::string ProgramPath();

}  // namespace dorvane::test
