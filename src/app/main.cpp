#include "app/Application.h"
#include "app/CommandLine.h"

// "dorvane list" and "dorvane collect" run without a window: nothing of Qt is started for them.
int main(int argc, char** argv) {
    if (dorvane::IsCommandLine(argc, argv)) return dorvane::RunCommandLine(argc, argv);
    return dorvane::RunApplication(argc, argv);
}
