#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace vellum {

// A style resource that cannot be read: no signature, a damaged stream, a missing setting.
class EStyleError : public EVellumError {
public:
    using EVellumError::EVellumError;
    const char* ClassName() const noexcept override { return "EStyleError"; }
};

// What our drawing takes from a style: colours as 0xRRGGBB and metrics in pixels at 96 DPI.
struct TStylePalette {
    bool Dark = false;  // the system's dark frame fits it
    std::uint32_t Window = 0, Text = 0, Caption = 0, CaptionText = 0, Border = 0, Button = 0, ButtonText = 0,
                  ButtonBorder = 0, Edit = 0, EditText = 0, Accent = 0;
    int BorderWidth = 1, CaptionHeight = 24, ButtonRadius = 0;
};

struct TStyleResource {
    std::string Name;
    std::string Version;
    TStylePalette Palette;
};

inline constexpr std::string_view kStyleSignature = "VCL_STYLE 2.0";

// The resource's bytes: the signature, then a zlib stream holding the name, the version and
// every setting of the palette (key and 32-bit value).
std::string EncodeStyleResource(const TStyleResource& style);

// Reads a whole resource; raises EStyleError for anything that is not one, including a
// setting missing or out of range (a damaged style is refused rather than drawn with junk).
TStyleResource DecodeStyleResource(std::string_view bytes);

}  // namespace vellum
