#include <cstdlib>

#include "platform/trace_file.h"

namespace vellum {

std::optional<std::filesystem::path> TraceFilePath() {
    const char* value = std::getenv("VELLUM_TRACE");
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::filesystem::path(value);
}

}  // namespace vellum
