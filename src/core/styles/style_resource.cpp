#include "core/styles/style_resource.h"

#include <zlib.h>

#include <map>

#include "core/text/utf.h"

namespace vellum {

namespace {

// Our styles inflate to well under a kilobyte; a stream that keeps going is no style of ours.
constexpr std::size_t kMaxContent = 64 * 1024;

struct TSetting {
    const char* Key;
    std::uint32_t TStylePalette::* Colour;
    int TStylePalette::* Metric;
    int Minimum, Maximum;
};

const TSetting kSettings[] = {
    {"Window", &TStylePalette::Window, nullptr, 0, 0},
    {"Text", &TStylePalette::Text, nullptr, 0, 0},
    {"Caption", &TStylePalette::Caption, nullptr, 0, 0},
    {"CaptionText", &TStylePalette::CaptionText, nullptr, 0, 0},
    {"Border", &TStylePalette::Border, nullptr, 0, 0},
    {"Button", &TStylePalette::Button, nullptr, 0, 0},
    {"ButtonText", &TStylePalette::ButtonText, nullptr, 0, 0},
    {"ButtonBorder", &TStylePalette::ButtonBorder, nullptr, 0, 0},
    {"Edit", &TStylePalette::Edit, nullptr, 0, 0},
    {"EditText", &TStylePalette::EditText, nullptr, 0, 0},
    {"Accent", &TStylePalette::Accent, nullptr, 0, 0},
    {"BorderWidth", nullptr, &TStylePalette::BorderWidth, 0, 16},
    {"CaptionHeight", nullptr, &TStylePalette::CaptionHeight, 16, 64},
    {"ButtonRadius", nullptr, &TStylePalette::ButtonRadius, 0, 16},
};

void PutU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::string& text) {
    const std::u16string units = Utf8ToUtf16(text);
    PutU32(out, static_cast<std::uint32_t>(units.size()));
    for (char16_t unit : units) out += static_cast<char>(unit & 0xFF), out += static_cast<char>(unit >> 8);
}

class TReader {
public:
    explicit TReader(std::string_view bytes) : bytes_(bytes) {}
    std::uint32_t U32(const char* what) {
        if (bytes_.size() - at_ < 4) throw EStyleError(std::string("The style ends inside its ") + what);
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        return value;
    }
    std::string Text(const char* what) {
        const std::uint32_t count = U32(what);
        if (count > (bytes_.size() - at_) / 2) throw EStyleError(std::string("The style ends inside its ") + what);
        std::u16string units(count, u'\0');
        for (std::uint32_t i = 0; i < count; ++i, at_ += 2)
            units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes_[at_]) |
                                             (static_cast<unsigned char>(bytes_[at_ + 1]) << 8));
        return Utf16ToUtf8(units);
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

std::string Inflate(std::string_view compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw EStyleError("The style's stream cannot be opened");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::string content;
    char buffer[4096];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        content.append(buffer, sizeof buffer - stream.avail_out);
        if (content.size() > kMaxContent) status = Z_MEM_ERROR;
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;  // the stream stops short
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) throw EStyleError("The style's stream is damaged");
    return content;
}

}  // namespace

std::string EncodeStyleResource(const TStyleResource& style) {
    std::string content;
    PutText(content, style.Name);
    PutText(content, style.Version);
    PutU32(content, static_cast<std::uint32_t>(std::size(kSettings) + 1));
    PutText(content, "Dark");
    PutU32(content, style.Palette.Dark ? 1 : 0);
    for (const TSetting& setting : kSettings) {
        PutText(content, setting.Key);
        PutU32(content, setting.Colour != nullptr ? style.Palette.*setting.Colour
                                                  : static_cast<std::uint32_t>(style.Palette.*setting.Metric));
    }
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    std::string compressed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
                  static_cast<uLong>(content.size()), 9) != Z_OK)
        throw EStyleError("The style cannot be compressed");
    compressed.resize(size);
    return std::string(kStyleSignature) + compressed;
}

TStyleResource DecodeStyleResource(std::string_view bytes) {
    if (!bytes.starts_with(kStyleSignature)) throw EStyleError("The resource holds no style (no signature)");
    const std::string content = Inflate(bytes.substr(kStyleSignature.size()));
    TReader reader(content);
    TStyleResource style;
    style.Name = reader.Text("name");
    style.Version = reader.Text("version");
    std::map<std::string, std::uint32_t> values;
    const std::uint32_t count = reader.U32("settings");
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string key = reader.Text("settings");
        values[std::move(key)] = reader.U32("settings");
    }
    const auto value = [&](const char* key) {
        const auto found = values.find(key);
        if (found == values.end()) throw EStyleError("The style '" + style.Name + "' lacks the setting " + key);
        return found->second;
    };
    style.Palette.Dark = value("Dark") != 0;
    for (const TSetting& setting : kSettings) {
        const std::uint32_t read = value(setting.Key);
        if (setting.Colour != nullptr) {
            if (read > 0xFFFFFF) throw EStyleError("The style '" + style.Name + "' has no colour " + setting.Key);
            style.Palette.*setting.Colour = read;
        } else {
            if (read < static_cast<std::uint32_t>(setting.Minimum) || read > static_cast<std::uint32_t>(setting.Maximum))
                throw EStyleError("The style '" + style.Name + "' has " + setting.Key + " out of range");
            style.Palette.*setting.Metric = static_cast<int>(read);
        }
    }
    return style;
}

}  // namespace vellum
