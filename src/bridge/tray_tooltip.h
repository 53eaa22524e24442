#pragma once

#include <string>

namespace vellum {

// The tray icon's tooltip: the application's title as the hidden form finds it when it is
// created, before the main window has its real title. That is the executable's file name up
// to its first dot, its first character as it is and every later one in lower case, at most
// 127 UTF-16 units (what the notification area holds), never ending in half a character.
std::string TrayIconTooltip(const std::string& executablePath);

}  // namespace vellum
