#include "webview2/wide_text.h"

#include <cstring>

#include "core/text/utf.h"

namespace vellum::webview2 {

TWideText::TWideText(std::string_view utf8) : text_(Utf8ToUtf16(utf8)) {}

std::string FromWide(LPCWSTR text) {
    if (text == nullptr) return {};
    std::u16string units;
    for (std::size_t i = 0; text[i] != 0; ++i) units += static_cast<char16_t>(text[i]);
    return Utf16ToUtf8(units);
}

std::string TakeWideString(LPWSTR text) {
    std::string result = FromWide(text);
    if (text != nullptr) CoTaskMemFree(text);
    return result;
}

LPWSTR NewWideString(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16(utf8);
    const std::size_t bytes = (units.size() + 1) * sizeof(char16_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) std::memcpy(copy, units.c_str(), bytes);
    return copy;
}

}  // namespace vellum::webview2
