#pragma once

#include <string>
#include <vector>

namespace vellum {

// The parameter string the browser form builds for a new instance ("AppID" "address"), split
// back into its arguments: items in double quotes, or separated by blanks. The Linux runtime
// starts the new copy with them directly, never through a shell, since the address comes
// from the page.
std::vector<std::string> SplitInstanceParameters(const std::string& parameters);

}  // namespace vellum
