#pragma once
// The window-less commands "dorvane list" and "dorvane collect". They read the settings as the window
// does (build defaults, the settings file, the demo sites, --set) and never create anything of Qt.
namespace dorvane {

// Exit statuses of the commands.
constexpr int kCommandDone = 0;
constexpr int kCommandSomeFailed = 1;
constexpr int kCommandUsage = 2;
constexpr int kCommandInterrupted = 130;  // SIGINT
constexpr int kCommandTerminated = 143;   // SIGTERM

// True when argv[1] is a word rather than an option: a command, or a mistyped one that RunCommandLine
// reports as a usage error.
bool IsCommandLine(int argc, const char* const* argv);

// Runs the command of argv and gives its exit status.
int RunCommandLine(int argc, const char* const* argv);

}  // namespace dorvane
