#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vellum {

// The system's own extension-to-type settings, in the order they are to be applied (a later
// one replaces an earlier one). On Windows: every ".ext" key of the classes root with a
// "Content Type" value, then every "\MIME\Database\Content Type" subkey with an "Extension"
// value; extensions and types lower-cased, extensions with their dot. Elsewhere nothing: the
// built-in table alone decides.
std::vector<std::pair<std::string, std::string>> SystemMimeTypeSettings();

}  // namespace vellum
