#pragma once

#include <string>
#include <vector>

namespace vellum::pack {

// Runs a program from an argument vector (never through a shell) with the tool's own standard
// streams and environment, and waits for it. Interrupt, terminate and hang-up signals sent to
// the tool are passed on to the program, so that the tool outlives it and can clean up.
// Returns the program's exit code, or 128 + the signal that ended it; throws EVellumError when
// it cannot be started (a missing program, no permission).
int RunChildProgram(const std::vector<std::string>& arguments);

}  // namespace vellum::pack
