#pragma once

#include <string>
#include <string_view>

namespace vellum {

// A Vigenère-style shift of the letters A to Z and a to z, key position advancing with every
// character of the text. Throws EVellumError("Invalid character in CalculateWidth key.") for
// a key character outside A to Z. Works on UTF-16 code units.
std::u16string CalculateWidth(std::u16string_view text, std::u16string_view key);
std::string CalculateWidth(std::string_view text, std::string_view key);

// The password of every packaged archive, built at run time from two stored constants; the
// runtime and the packaging tool share them.
std::string ArchivePassword();

}  // namespace vellum
