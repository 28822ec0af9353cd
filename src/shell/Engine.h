#pragma once
// The program: command line, single-instance guard, platform, main window.
#include <string>
#include <vector>

namespace tsukimi {

// Runs the engine; returns the process exit status (0 normal shutdown or a
// second instance, 1 boot failure, 2 bad usage).
int RunEngine(const std::vector<std::string>& args, const char* argv0);

} // namespace tsukimi
