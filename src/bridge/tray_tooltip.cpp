#include "bridge/tray_tooltip.h"

#include "core/text/utf.h"

namespace vellum {

namespace {

constexpr std::size_t kTooltipUnits = 127;

// Lower case for the alphabets a file name is commonly written in: Latin (ASCII, Latin-1 and
// Latin Extended-A), Greek and Cyrillic. Other characters stay as they are.
char16_t ToLower(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Pairs: upper at even code points, except from U+0139 to U+0148 and U+0179 to U+017E.
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if ((c % 2 == 1) == oddUpper) return static_cast<char16_t>(c + 1);
        return c;
    }
    if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2)) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

}  // namespace

std::string TrayIconTooltip(const std::string& executablePath) {
    const std::size_t slash = executablePath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::u16string units = Utf8ToUtf16(name);
    for (std::size_t i = 1; i < units.size(); ++i) units[i] = ToLower(units[i]);
    if (units.size() > kTooltipUnits) {
        std::size_t length = kTooltipUnits;
        if (units[length - 1] >= 0xD800 && units[length - 1] <= 0xDBFF) --length;
        units.resize(length);
    }
    return Utf16ToUtf8(units);
}

}  // namespace vellum
