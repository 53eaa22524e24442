#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vellum {

// A whole number read the forgiving way: leading blanks skipped, an optional sign, then the
// decimal digits that follow ("$" or "0x" selects hexadecimal digits); it stops at the first
// other character and never fails: "120.7" is 120, "abc" and "" are 0. Values beyond 32 bits
// are held at the nearest limit.
std::int32_t LenientToInt32(const std::string& text);

// The same whole number read strictly: nothing when a character after the prefix is not a
// digit, when there are no digits, or when the value does not fit in 32 bits.
std::optional<std::int32_t> StrictToInt32(const std::string& text);

// A floating-point number written with "." as the decimal separator and no thousands separator,
// whatever the user's locale; blanks around it are allowed. Nothing when the text is not such a
// finite number ("1,5", "abc", "").
std::optional<double> ParseInvariantNumber(const std::string& text);

// The general number format with up to 15 significant digits, with the given decimal
// separator: 1.25 gives "1.25" (or "1,25"), a whole number has no decimals.
std::string FormatGeneralNumber(double value, const std::string& decimalSeparator);

}  // namespace vellum
