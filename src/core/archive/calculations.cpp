#include "core/archive/calculations.h"

#include <vector>

#include "core/errors.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

// The stored constants: a 26-character text and a 21-character key of capital letters.
constexpr std::string_view kArchiveText = "Vellum-Archive.Key #2026!q";
constexpr std::string_view kArchiveKey = "QZRXMBTKWLHPDYCFNVJGS";
static_assert(kArchiveText.size() == 26 && kArchiveKey.size() == 21);

// The non-negative remainder of a by 26.
int Mod26(int a) {
    return ((a % 26) + 26) % 26;
}

}  // namespace

std::u16string CalculateWidth(std::u16string_view text, std::u16string_view key) {
    std::vector<int> shifts;
    shifts.reserve(key.size());
    for (const char16_t c : key) {
        if (c < u'A' || c > u'Z') throw EVellumError("Invalid character in CalculateWidth key.");
        shifts.push_back(c - u'A');
    }
    std::u16string result(text);
    if (shifts.empty()) return result;
    for (std::size_t position = 0; position < result.size(); ++position) {
        const int shift = shifts[position % shifts.size()];
        char16_t& c = result[position];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(u'A' + Mod26(c - u'A' - shift));
        else if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(u'a' + Mod26(c - u'a' - shift));
    }
    return result;
}

std::string CalculateWidth(std::string_view text, std::string_view key) {
    return Utf16ToUtf8(CalculateWidth(Utf8ToUtf16(text), Utf8ToUtf16(key)));
}

std::string ArchivePassword() {
    return CalculateWidth(kArchiveText, kArchiveKey);
}

}  // namespace vellum
