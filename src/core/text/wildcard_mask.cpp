#include "core/text/wildcard_mask.h"

#include <cstddef>

namespace vellum {

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of the UTF-8 code point starting at `text[at]` (1 for a stray byte).
std::size_t CodePointLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::size_t i = 1;
    while (i < length && at + i < text.size() && (static_cast<unsigned char>(text[at + i]) & 0xC0) == 0x80) ++i;
    return i;
}

// Iterative matching with one backtrack point (the last "*"): linear in practice and never
// recursive, whatever the page writes.
bool Matches(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            n += CodePointLength(name, n);
            ++m;
        } else if (m < mask.size() && FoldAscii(mask[m]) == FoldAscii(name[n])) {
            ++n;
            ++m;
        } else if (starMask != std::string_view::npos) {
            starName += CodePointLength(name, starName);
            n = starName;
            m = starMask;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesWildcardMask(std::string_view name, std::string_view mask) {
    if (Matches(name, mask)) return true;
    // "x.*" also means "x" without any extension.
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
        return Matches(name, mask.substr(0, mask.size() - 2));
    return false;
}

bool IsValidWildcardMask(std::string_view mask) {
    for (const char c : mask) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '/' || c == '\\')
            return false;
    }
    return true;
}

}  // namespace vellum
