#pragma once

#include <string>
#include <string_view>

namespace vellum {

// Decodes bytes in the system's ANSI code page to UTF-8: the real code page on Windows,
// Windows-1252 elsewhere.
std::string AnsiToUtf8(std::string_view bytes);

}  // namespace vellum
