#include "core/Failures.h"

#include <cstdio>
#include <exception>

namespace dorvane {

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "unknown exception";
    }
}

void ReportUnhandled(const char* what) {
    std::fprintf(stderr, "dorvane: %s failed: %s\n", what, CurrentExceptionText().c_str());
}

}  // namespace dorvane
