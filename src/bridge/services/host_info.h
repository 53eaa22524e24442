#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vellum {

// What the bridge reads of the running program and the user's settings.
struct THostInfo {
    std::string ExecutablePath;           // full path of the running executable
    std::vector<std::string> Arguments;   // command-line arguments 1 to n, split the system's way
    // The user's decimal separator, read when a function needs it.
    std::function<std::string()> DecimalSeparator = [] { return std::string("."); };
};

}  // namespace vellum
