#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

// The native look: no style resource, the system draws every window itself.
inline constexpr const char* kNativeThemeName = "Windows";

// The 40 theme names the runtime knows, "Windows" among them, sorted without regard to case.
const std::vector<std::string>& ThemeCatalogue();

// The catalogue's spelling of a name given in any letter case (A to Z), or nothing.
std::optional<std::string> FindCatalogueName(std::string_view name);

// The name of a style's resource: capitals without blanks, "Windows10..." named "WINDOWS...".
std::string StyleResourceName(std::string_view themeName);

// Sorts names in place, letter case (A to Z) disregarded; equal folds keep their order.
void SortIgnoringCase(std::vector<std::string>& names);

}  // namespace vellum
