#include "core/text/text_decoding.h"

#include "core/system/ansi_code_page.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

std::u16string Utf16FromBytes(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return units;
}

// Windows-1252's 0x80 to 0x9F; the five bytes it does not define keep their C1 value.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte >= 0x80 && byte <= 0x9F) ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
    }
    return Utf16ToUtf8(units);
}

std::string DecodeTextWithBom(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Utf16ToUtf8(Utf8ToUtf16(bytes.substr(3)));
    if (bytes.starts_with("\xFF\xFE")) return Utf16ToUtf8(Utf16FromBytes(bytes.substr(2), false));
    if (bytes.starts_with("\xFE\xFF")) return Utf16ToUtf8(Utf16FromBytes(bytes.substr(2), true));
    return AnsiToUtf8(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string TrimText(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace vellum
