#pragma once

#include <cstdint>

namespace vellum {

// Asks the desktop window manager for a corner preference (attribute 33); the result is
// ignored, so systems without the attribute leave the window as it is.
void ApplyWindowCornerPreference(void* window, std::uint32_t preference);

// Whether the handle still names a window (Windows: IsWindow; elsewhere always, until the
// desktop backend has windows).
bool WindowHandleExists(void* window);

}  // namespace vellum
