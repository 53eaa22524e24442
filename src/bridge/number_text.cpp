#include "bridge/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace vellum {

namespace {

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

}  // namespace

namespace {

constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;

struct TScannedInteger {
    bool Negative = false;
    std::int64_t Magnitude = 0;  // held at kLimit + 1, which is out of range either way
    bool HasDigits = false;
    bool Whole = true;  // every character after the prefix was a digit
};

// Leading blanks, an optional sign, "$" or "0x" for hexadecimal, then digits up to the first
// other character.
TScannedInteger ScanInteger(const std::string& text) {
    TScannedInteger scanned;
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) scanned.Negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            scanned.Whole = false;
            break;
        }
        scanned.HasDigits = true;
        scanned.Magnitude = std::min(scanned.Magnitude * base + digit, kLimit + 1);
    }
    return scanned;
}

}  // namespace

std::int32_t LenientToInt32(const std::string& text) {
    const TScannedInteger scanned = ScanInteger(text);
    const std::int64_t value = std::min(scanned.Magnitude, kLimit);
    if (scanned.Negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

std::optional<std::int32_t> StrictToInt32(const std::string& text) {
    const TScannedInteger scanned = ScanInteger(text);
    if (!scanned.HasDigits || !scanned.Whole || scanned.Magnitude > kLimit) return std::nullopt;
    if (scanned.Negative) return static_cast<std::int32_t>(-scanned.Magnitude);
    if (scanned.Magnitude == kLimit) return std::nullopt;
    return static_cast<std::int32_t>(scanned.Magnitude);
}

std::optional<double> ParseInvariantNumber(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin < end && text[begin] == '+') ++begin;
    if (begin < end && text[begin] == '-' && begin > 0 && text[begin - 1] == '+') return std::nullopt;
    if (begin == end) return std::nullopt;
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data() + begin, text.data() + end, value);
    if (error != std::errc() || stop != text.data() + end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatGeneralNumber(double value, const std::string& decimalSeparator) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    if (const std::size_t dot = text.find('.'); dot != std::string::npos) text.replace(dot, 1, decimalSeparator);
    return text;
}

}  // namespace vellum
