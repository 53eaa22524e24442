#include "core/styles/embedded_styles.h"

#include <string>

namespace vellum {

namespace {
#include "vclstyle_data.inc"
}  // namespace

std::span<const TEmbeddedStyle> EmbeddedStyles() {
    return kEmbeddedStyleTable;
}

void RegisterEmbeddedStyles(TStyleManager& manager) {
    for (const TEmbeddedStyle& style : EmbeddedStyles())
        manager.RegisterStyle(std::string(reinterpret_cast<const char*>(style.Bytes), style.Size));
}

}  // namespace vellum
