#pragma once

#include <cstdint>

namespace vellum {

// Asks the desktop window manager for a corner preference (attribute 33); the result is
// ignored, so systems without the attribute leave the window as it is.
void ApplyWindowCornerPreference(void* window, std::uint32_t preference);

}  // namespace vellum
