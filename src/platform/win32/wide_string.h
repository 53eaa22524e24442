#pragma once

#include <string>

#include "core/text/utf.h"

namespace vellum {

// UTF-8 text as the wide string Win32 calls take.
inline std::wstring Wide(const std::string& text) {
    const std::u16string units = Utf8ToUtf16(text);
    return std::wstring(units.begin(), units.end());
}

}  // namespace vellum
