#pragma once
// Failures that nothing above can take any more (at the top of a thread, around a handler called from a
// receive loop) are reported, never swallowed silently.
#include <string>

namespace dorvane {

// What the exception being handled says: its what() text, or "unknown exception" for one that is not a
// std::exception. Only inside a catch block.
std::string CurrentExceptionText();

// Writes "dorvane: <what> failed: <why>" to standard error. Only inside a catch block.
void ReportUnhandled(const char* what);

}  // namespace dorvane
