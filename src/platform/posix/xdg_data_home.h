#pragma once

#include <string>

namespace vellum {

// The user's data folder on Linux, with a trailing "/": $XDG_DATA_HOME when it is set to an
// absolute path, else HOME + "/.local/share". A relative XDG_DATA_HOME is ignored, as the XDG
// base directory rules ask: it would name a different folder in every working folder.
std::string XdgDataHome(const char* xdgDataHome, const char* home);

// The same for the running process's environment (HOME, else the password database's entry).
std::string UserXdgDataHome();

}  // namespace vellum
