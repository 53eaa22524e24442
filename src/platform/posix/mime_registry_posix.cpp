#include "core/system/mime_registry.h"

namespace vellum {

// The desktop backend will read the system's MIME database here; until then the built-in
// table alone decides.
std::vector<std::pair<std::string, std::string>> SystemMimeTypeSettings() {
    return {};
}

}  // namespace vellum
