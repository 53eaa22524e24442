#pragma once

#include <windows.h>

namespace vellum {

// A small golden key, drawn at the given size (16 or 32 pixels), as an icon.
HICON CreateKeyPictogram(int size);

}  // namespace vellum
