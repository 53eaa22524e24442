#pragma once

#include <string_view>

namespace vellum {

// Whether a file name matches a Windows wildcard mask, the way the Windows file enumeration
// matches long names: "*" stands for any run of characters (dots included, none too), "?" for
// exactly one character, letters compare without case (A to Z), and a mask ending in ".*"
// also matches what it matches without those two characters, so "*.*" matches every name and
// "readme.*" matches "readme". Characters are UTF-8 code points; short (8.3) names play no part.
bool MatchesWildcardMask(std::string_view name, std::string_view mask);

// Whether a mask holds only characters a file name may hold besides "*" and "?": not < > : " |
// / \ or a control character (the enumeration refuses such a mask).
bool IsValidWildcardMask(std::string_view mask);

}  // namespace vellum
