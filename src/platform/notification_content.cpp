#include "platform/notification_content.h"

#include <cstdint>
#include <cstdio>

namespace vellum {

namespace {

// The length of the well-formed UTF-8 sequence starting at `i`, or 0 when it is malformed.
std::size_t SequenceLength(std::string_view text, std::size_t i, char32_t& code) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else return 0;
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool XmlAllows(char32_t code) {
    if (code < 0x20) return code == 0x09 || code == 0x0A || code == 0x0D;
    return code != 0xFFFE && code != 0xFFFF;
}

}  // namespace

std::string XmlEscaped(std::string_view utf8) {
    std::string escaped;
    escaped.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t length = SequenceLength(utf8, i, code);
        if (length == 0) {
            ++i;
            continue;
        }
        switch (code) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&apos;"; break;
            default:
                if (XmlAllows(code)) escaped.append(utf8.substr(i, length));
        }
        i += length;
    }
    return escaped;
}

std::string ToastXml(std::string_view title, std::string_view body) {
    return "<toast><visual><binding template=\"ToastText02\"><text id=\"1\">" + XmlEscaped(title) +
           "</text><text id=\"2\">" + XmlEscaped(body) + "</text></binding></visual></toast>";
}

std::string NotificationAppUserModelId(std::string_view executableFileName) {
    std::uint32_t hash = 2166136261u;  // FNV-1a of the name in ASCII lower case
    for (const char c : executableFileName) {
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<unsigned char>(lower)) * 16777619u;
    }
    std::string_view stem = executableFileName;
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string_view::npos && dot > 0) stem = stem.substr(0, dot);
    std::string id = "Vellum.";
    for (const char c : stem.substr(0, 64)) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                          c == '-';
        id += kept ? c : '_';
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(hash));
    return id + suffix;
}

}  // namespace vellum
