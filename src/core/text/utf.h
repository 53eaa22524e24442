#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vellum {

// UTF-8 is the string form inside the program; these convert at the boundaries that need
// UTF-16 code units (Win32, WebView2, and the operations defined on code units).
// Invalid input never throws: ill-formed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// A filesystem path from UTF-8. A path built from a narrow string on Windows is read in the
// ANSI code page, which corrupts non-ASCII names.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace vellum
