#pragma once

#include <cstddef>
#include <span>

#include "core/styles/style_manager.h"

namespace vellum {

// The style resources the runtime's executable carries, compiled in as data for programs that
// have no such resources (the packaging tool, the tests); written at build time from the same
// table as the executable's resources.
struct TEmbeddedStyle {
    const char* ResourceName;
    const unsigned char* Bytes;
    std::size_t Size;
};

std::span<const TEmbeddedStyle> EmbeddedStyles();

// Registers every embedded style with the manager (once each: a name already known is skipped).
void RegisterEmbeddedStyles(TStyleManager& manager);

}  // namespace vellum
