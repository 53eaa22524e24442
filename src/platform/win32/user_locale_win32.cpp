#include <windows.h>

#include "core/text/utf.h"
#include "platform/user_locale.h"

namespace vellum {

std::string GetUserLanguageCode() {
    // The first call learns the length (terminating zero included), the second fills it.
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, nullptr, 0);
    if (length <= 0) return {};
    std::wstring code(static_cast<std::size_t>(length), L'\0');
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, code.data(), length);
    code.resize(wcsnlen(code.c_str(), code.size()));
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(code.data()), code.size()));
}

std::string GetUserDecimalSeparator() {
    wchar_t separator[8] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    if (length <= 1) return ".";
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(separator), wcsnlen(separator, 8)));
}

}  // namespace vellum
