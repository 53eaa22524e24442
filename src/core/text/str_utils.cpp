#include "core/text/str_utils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <unordered_map>

#include "core/errors.h"
#include "core/system/mime_registry.h"
#include "core/system/path_delimiter.h"
#include "core/text/ascii_case.h"
#include "core/text/text_decoding.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found; (found = text.find(from, start)) != std::string_view::npos; start = found + from.size()) {
        result.append(text.substr(start, found - start));
        result.append(to);
    }
    result.append(text.substr(start));
    return result;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string WithTrailingDelimiter(std::string text) {
    if (text.empty() || (text.back() != kPathDelimiter && text.back() != '/')) text += kPathDelimiter;
    return text;
}

// Upper case for comparisons without regard to case: ASCII, Latin-1, Greek and Cyrillic.
char16_t UpperCase(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F))
        return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

// Word delimiters of the search: every code unit up to U+00FF that is not a letter or digit.
bool IsWordDelimiter(char16_t c) {
    const bool alphanumeric = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    return c <= 0xFF && !alphanumeric;
}

std::mt19937& ProcessRandom() {
    static std::mt19937 random{std::random_device{}()};
    return random;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent-decoding to bytes, read as UTF-8; a "%" without two hexadecimal digits stays as it is.
std::string PercentDecode(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

std::int32_t StrToInt(std::string_view digits) {
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        throw EConvertError("'" + std::string(digits) + "' is not a valid integer value");
    return value;
}

const std::vector<std::pair<const char*, const char*>>& BuiltInMimeTypes() {
    static const std::vector<std::pair<const char*, const char*>> table = {
#include "core/text/mime_table.inc"
    };
    return table;
}

}  // namespace

std::string TStrUtils::AddTrailingUrlSlash(std::string_view URL) {
    std::string result(URL);
    if (result.empty() || result.back() != '/') result += '/';
    return result;
}

std::string TStrUtils::Capitalize(std::string_view Value) {
    std::string result(Value);
    if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') result[0] = static_cast<char>(result[0] - 'a' + 'A');
    return result;
}

std::string TStrUtils::QuoteJavascript(std::string_view Value) {
    return ReplaceAll(ReplaceAll(Value, "'", "\\x27"), "\"", "\\x22");
}

std::string TStrUtils::UnquoteJavascript(std::string_view Value) {
    return ReplaceAll(ReplaceAll(Value, "\\x27", "'"), "\\x22", "\"");
}

std::string TStrUtils::QuoteArguments(std::string_view Value) {
    return ReplaceAll(ReplaceAll(QuoteJavascript(Value), ":", "\\x3a"), "|", "\\x7c");
}

std::string TStrUtils::UnquoteArguments(std::string_view Value) {
    return ReplaceAll(ReplaceAll(UnquoteJavascript(Value), "\\x3a", ":"), "\\x7c", "|");
}

std::string TStrUtils::OleVarToStr(const TOleVariant& Value) {
    struct TVisitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(TOleNull) const { return {}; }
        std::string operator()(TOleOther) const { return {}; }
        std::string operator()(const std::string& text) const { return text; }
        std::string operator()(std::int64_t number) const { return std::to_string(number); }
        std::string operator()(bool value) const { return value ? "True" : "False"; }
        std::string operator()(double number) const {
            if (!std::isfinite(number)) return std::isnan(number) ? "NAN" : number > 0 ? "INF" : "-INF";
            char text[32];
            std::snprintf(text, sizeof text, "%.15g", number);
            return text;
        }
        std::string operator()(const TOleDate& date) const {
            char text[32];
            if (date.Hour == 0 && date.Minute == 0 && date.Second == 0)
                std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
            else
                std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.Year, date.Month, date.Day,
                              date.Hour, date.Minute, date.Second);
            return text;
        }
    };
    return std::visit(TVisitor{}, Value);
}

std::string TStrUtils::StringToJsonString(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::u16string units = Utf8ToUtf16(value);
    std::string json = "\"";
    json.reserve(units.size() + 2);
    std::u16string plain;  // a run of code units that pass unchanged
    auto flush = [&] {
        json += Utf16ToUtf8(plain);
        plain.clear();
    };
    for (const char16_t unit : units) {
        const char* escape = nullptr;
        switch (unit) {
            case u'"': escape = "\\\""; break;
            case u'\\': escape = "\\\\"; break;
            case u'/': escape = "\\/"; break;
            case 0x08: escape = "\\b"; break;
            case 0x09: escape = "\\t"; break;
            case 0x0A: escape = "\\n"; break;
            case 0x0C: escape = "\\f"; break;
            case 0x0D: escape = "\\r"; break;
            default: break;
        }
        if (escape == nullptr && unit >= 0x20 && unit < 0x20AC) {
            plain += unit;
            continue;
        }
        flush();
        if (escape != nullptr) {
            json += escape;
        } else {
            json += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) json += kHex[(unit >> shift) & 0xF];
        }
    }
    flush();
    json += '"';
    return json;
}

std::string TStrUtils::GetFileMIMEType(std::string_view FileName) {
    const std::size_t lastDot = FileName.rfind('.');
    const std::size_t lastDelimiter = FileName.find_last_of("\\:");
    if (lastDot == std::string_view::npos || (lastDelimiter != std::string_view::npos && lastDot < lastDelimiter))
        return "application/octet-stream";
    const std::string extension = FoldAsciiCase(FileName.substr(lastDot));

    // Built afresh on every call, so that the system's current settings apply.
    std::vector<std::pair<std::string, std::string>> rows;
    const auto& builtIn = BuiltInMimeTypes();
    rows.reserve(builtIn.size() + 64);
    std::unordered_map<std::string, std::size_t> firstRow;
    for (const auto& [ext, type] : builtIn) {
        firstRow.emplace(ext, rows.size());
        rows.emplace_back(ext, type);
    }
    for (auto& [ext, type] : SystemMimeTypeSettings()) {
        if (const auto found = firstRow.find(ext); found != firstRow.end()) {
            rows[found->second].second = std::move(type);
        } else {
            firstRow.emplace(ext, rows.size());
            rows.emplace_back(std::move(ext), std::move(type));
        }
    }
    const auto found = firstRow.find(extension);
    return found == firstRow.end() ? "application/octet-stream" : FoldAsciiCase(rows[found->second].second);
}

bool TStrUtils::FilePathIsHttpUrl(std::string_view Path) {
    return StartsWithIgnoringCase(Path, "http://") || StartsWithIgnoringCase(Path, "https://");
}

bool TStrUtils::FilePathIsAppRelative(std::string_view Path) {
    return StartsWithIgnoringCase(Path, "app/files/");
}

bool TStrUtils::FilePathIsPluginRelative(std::string_view Path) {
    return StartsWithIgnoringCase(Path, "app/plugins/");
}

std::string TStrUtils::GetControlRandomSuffix(std::string_view Name) {
    return std::string(Name) + "-" + GetRandomString(10, "abcdefghijklmnopqrstuvwxyz1234567890");
}

std::string TStrUtils::GetRandomString(std::int32_t ALength, std::string_view ACharSequence) {
    if (ALength <= 0) return {};
    const std::u16string characters = Utf8ToUtf16(ACharSequence);
    if (characters.empty()) throw EVellumError("GetRandomString needs a non-empty character sequence");
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    std::u16string result(static_cast<std::size_t>(ALength), u' ');
    for (char16_t& c : result) c = characters[pick(ProcessRandom())];
    return Utf16ToUtf8(result);
}

std::string TStrUtils::AddLeadingZeroes(std::int32_t Number, std::int32_t Length) {
    const std::int64_t value = Number;
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (Length > 0 && digits.size() < static_cast<std::size_t>(Length))
        digits.insert(0, static_cast<std::size_t>(Length) - digits.size(), '0');
    return (value < 0 ? "-" : "") + digits;
}

std::string TStrUtils::RepeatString(std::string_view Value, std::int32_t Count) {
    std::string result;
    if (Count <= 0) return result;
    result.reserve(Value.size() * static_cast<std::size_t>(Count));
    for (std::int32_t i = 0; i < Count; ++i) result.append(Value);
    return result;
}

TArrayStrings TStrUtils::ExplodeStrings(std::string_view Separator, std::string_view Value) {
    if (Separator.empty()) return {std::string(Value)};
    TArrayStrings elements;
    std::size_t start = 0;
    for (std::size_t found; (found = Value.find(Separator, start)) != std::string_view::npos;
         start = found + Separator.size())
        elements.emplace_back(Value.substr(start, found - start));
    elements.emplace_back(Value.substr(start));
    return elements;
}

std::string TStrUtils::ImplodeStrings(std::string_view Separator, const TArrayStrings& ArrayString) {
    std::string result;
    for (const std::string& element : ArrayString) (result += Separator) += element;
    return result.erase(0, std::min(Separator.size(), result.size()));
}

void TStrUtils::GetUrlArguments(std::string_view URL, std::vector<std::string>& Arguments) {
    Arguments.clear();
    const std::size_t question = URL.find('?');
    if (question == std::string_view::npos) return;
    std::string_view query = URL.substr(question + 1);
    query = query.substr(0, query.find('#'));
    if (query.empty()) return;
    for (std::string item : ExplodeStrings("&", query)) {
        std::replace(item.begin(), item.end(), '+', ' ');
        Arguments.push_back(PercentDecode(item));
    }
}

void TStrUtils::StrToResolution(std::string_view Value, std::int32_t& Width, std::int32_t& Height) {
    Width = -1;
    Height = -1;
    // The first "<digits>x<digits>", as the pattern ([0-9]+)x([0-9]+) finds it, in one pass: a
    // match can only start where a run of digits starts and end its first number where the run
    // ends, so each run is looked at once. (The pattern engine tried every digit of a run as a
    // start again, which is quadratic in a long run that no "x<digit>" follows.)
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto runEnd = [&](std::size_t at) {
        while (at < Value.size() && isDigit(Value[at])) ++at;
        return at;
    };
    for (std::size_t at = 0; at < Value.size();) {
        if (!isDigit(Value[at])) {
            ++at;
            continue;
        }
        const std::size_t widthEnd = runEnd(at);
        if (widthEnd + 1 < Value.size() && Value[widthEnd] == 'x' && isDigit(Value[widthEnd + 1])) {
            const std::size_t heightEnd = runEnd(widthEnd + 1);
            Width = StrToInt(Value.substr(at, widthEnd - at));
            Height = StrToInt(Value.substr(widthEnd + 1, heightEnd - widthEnd - 1));
            return;
        }
        at = widthEnd;
    }
}

std::string TStrUtils::GetJavascriptArrayFromMultilineString(std::string_view Value) {
    std::string result;
    for (const std::string& part : ExplodeStrings("\n", Value)) {
        if (part.empty()) continue;
        if (!result.empty()) result += ", ";
        result += '"' + QuoteJavascript(TrimText(part)) + '"';
    }
    return result;
}

std::string TStrUtils::GetCompilerCacheDir(std::string_view AppFilePath, std::string_view Suffix,
                                           std::string_view TempCache, std::string_view DefaultDir) {
    std::string subFolder;
    if (!AppFilePath.empty())
        subFolder = PathToUtf8(PathFromUtf8(AppFilePath).stem()) + std::string(Suffix);
    else
        subFolder = std::string(TempCache);
    subFolder = WithTrailingDelimiter(subFolder);

    if (!AppFilePath.empty()) {
        const std::size_t lastDelimiter = AppFilePath.find_last_of("\\/");
        if (lastDelimiter != std::string_view::npos) {
            const std::string folder(AppFilePath.substr(0, lastDelimiter + 1));
            std::error_code error;
            if (std::filesystem::is_directory(PathFromUtf8(folder), error)) return folder + subFolder;
        }
    }
    return WithTrailingDelimiter(std::string(DefaultDir)) + subFolder;
}

bool TStrUtils::SubStringExists(std::string_view AString, std::string_view ASubString, TSearchOptions ASearchOptions) {
    // Searching backward from the start of the text finds nothing.
    if (!(ASearchOptions & soDown)) return false;
    std::u16string text = Utf8ToUtf16(AString);
    std::u16string pattern = Utf8ToUtf16(ASubString);
    if (pattern.empty() || pattern.size() > text.size()) return false;
    if (!(ASearchOptions & soMatchCase)) {
        std::transform(text.begin(), text.end(), text.begin(), UpperCase);
        std::transform(pattern.begin(), pattern.end(), pattern.begin(), UpperCase);
    }
    for (std::size_t at = text.find(pattern); at != std::u16string::npos; at = text.find(pattern, at + 1)) {
        if (!(ASearchOptions & soWholeWord)) return true;
        const bool startsWord = at == 0 || IsWordDelimiter(text[at - 1]);
        const bool endsWord = at + pattern.size() == text.size() || IsWordDelimiter(text[at + pattern.size()]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

}  // namespace vellum
