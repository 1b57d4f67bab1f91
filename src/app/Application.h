#pragma once
// Start-up and exit of the program.

namespace dorvane {

// Sets up Qt, the site routines and the main window, runs the message loop until the main window closes,
// and ends every worker before returning the exit code.
int RunApplication(int argc, char** argv);

}  // namespace dorvane
