#pragma once

#include <filesystem>
#include <optional>

namespace vellum {

// The file named by the environment variable VELLUM_TRACE, where a runtime appends its page
// trace; nothing when the variable is unset or empty.
std::optional<std::filesystem::path> TraceFilePath();

}  // namespace vellum
