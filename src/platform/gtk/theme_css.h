#pragma once

#include <string>

#include "core/styles/style_resource.h"

namespace vellum {

// The GTK style sheet that dresses the host's own windows (dialogs, message boxes, the password
// prompt) in a style's palette: their background and text, buttons, entries and the accent of
// selections. Menus, the main window and the page are not matched: they keep the native look.
std::string ThemeCss(const TStylePalette& palette);

}  // namespace vellum
