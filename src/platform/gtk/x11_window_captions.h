#pragma once

#include <string>
#include <vector>

namespace vellum {

// The titles of the X display's top-level windows, mapped or not, topmost first, duplicates
// kept, blank ones left out. A window manager's frame stands for the window it holds. Empty
// where GDK's display is not an X display (Wayland).
std::vector<std::string> X11WindowCaptions();

}  // namespace vellum
