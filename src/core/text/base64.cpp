#include "core/text/base64.h"

#include <array>

namespace vellum {

namespace {

constexpr int kBlank = -2;
constexpr int kFill = -3;
constexpr int kOther = -1;

constexpr std::array<int, 256> MakeSymbolTable() {
    std::array<int, 256> table{};
    for (int& value : table) value = kOther;
    for (int i = 0; i < 26; ++i) {
        table['A' + i] = i;
        table['a' + i] = 26 + i;
    }
    for (int i = 0; i < 10; ++i) table['0' + i] = 52 + i;
    table['+'] = 62;
    table['/'] = 63;
    table['='] = kFill;
    for (unsigned char blank : {' ', '\t', '\r', '\n', '\f', '\v'}) table[blank] = kBlank;
    return table;
}

constexpr std::array<int, 256> kSymbols = MakeSymbolTable();

// "data:image/png;base64,AAAA" -> "AAAA". Only a header that starts the text counts, and only
// up to its first comma (base64 never holds one).
std::string_view WithoutDataUrlHeader(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && kSymbols[static_cast<unsigned char>(text[start])] == kBlank) ++start;
    text.remove_prefix(start);
    if (text.size() < 5) return text;
    const std::string_view scheme = text.substr(0, 5);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < 5; ++i)
        if (lower(scheme[i]) != "data:"[i]) return text;
    const std::size_t comma = text.find(',');
    return comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
}

}  // namespace

std::vector<std::uint8_t> DecodeBase64(std::string_view text) {
    text = WithoutDataUrlHeader(text);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    int group[4];
    int count = 0;
    for (const char c : text) {
        const int symbol = kSymbols[static_cast<unsigned char>(c)];
        if (symbol == kBlank) continue;
        if (symbol == kOther) break;
        group[count++] = symbol;
        if (count < 4) continue;
        count = 0;
        // A fill character may stand only in the last two places, and "=" then "x" is no group.
        if (group[0] == kFill || group[1] == kFill || (group[2] == kFill && group[3] != kFill)) break;
        const int significant = group[2] == kFill ? 1 : group[3] == kFill ? 2 : 3;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 6 | static_cast<std::uint32_t>(group[i] < 0 ? 0 : group[i]);
        bytes.push_back(static_cast<std::uint8_t>(value >> 16));
        if (significant > 1) bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        if (significant > 2) bytes.push_back(static_cast<std::uint8_t>(value));
        if (significant < 3) break;  // the fill ends the data
    }
    return bytes;
}

}  // namespace vellum
