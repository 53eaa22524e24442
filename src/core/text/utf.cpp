#include "core/text/utf.h"

#include <cstdint>

namespace vellum {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[index], advancing index; ill-formed input gives U+FFFD and
// consumes the longest ill-formed prefix (at least one byte).
char32_t DecodeUtf8(std::string_view text, std::size_t& index) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(index);
    if (lead < 0x80) {
        ++index;
        return lead;
    }
    int length;
    char32_t code;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        ++index;
        return kReplacement;
    }
    std::size_t next = index + 1;
    for (int i = 1; i < length; ++i, ++next) {
        if (next >= text.size() || (byte(next) & 0xC0) != 0x80) {
            index = next;
            return kReplacement;
        }
        code = (code << 6) | (byte(next) & 0x3F);
    }
    index = next;
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    return code;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) {
        const char32_t code = DecodeUtf8(text, index);
        if (code >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        char32_t code = text[index];
        if (code >= 0xD800 && code <= 0xDBFF && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
            text[index + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[index + 1] - 0xDC00);
            ++index;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t index = 0; index < bytes.size();) {
        const std::size_t start = index;
        const char32_t code = DecodeUtf8(bytes, index);
        if (code == kReplacement && bytes.substr(start, index - start) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace vellum
