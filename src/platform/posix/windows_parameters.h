#pragma once

#include <string>
#include <vector>

namespace vellum {

// Splits parameters the way a Windows program splits its command line after the program's
// name: blanks and tabs separate arguments, double quotes group them; 2n backslashes before a
// quote give n and the quote groups, 2n+1 give n and a literal quote; other backslashes are
// literal; inside quotes, "" is a literal quote. Pages write their parameters for both systems.
std::vector<std::string> SplitWindowsParameters(const std::string& parameters);

}  // namespace vellum
