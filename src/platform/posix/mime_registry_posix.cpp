#include "core/system/mime_registry.h"

namespace vellum {

// The built-in table alone decides on Linux: the distribution's MIME database differs from one
// machine to the next, so reading it would change what the same app's pages are served as.
std::vector<std::pair<std::string, std::string>> SystemMimeTypeSettings() {
    return {};
}

}  // namespace vellum
