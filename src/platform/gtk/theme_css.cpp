#include "platform/gtk/theme_css.h"

#include <cstdio>

namespace vellum {

namespace {

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFFu));
    return text;
}

}  // namespace

std::string ThemeCss(const TStylePalette& p) {
    // Every rule names a dialog first, so nothing outside the host's dialogs changes. The
    // background image is cleared because the native theme draws buttons with gradients.
    const std::string scopes[] = {"dialog", "messagedialog"};
    std::string css;
    for (const std::string& d : scopes) {
        css += d + ", " + d + " box, " + d + " grid {\n  background-color: " + Hex(p.Window) +
               ";\n  color: " + Hex(p.Text) + ";\n}\n";
        css += d + " label {\n  color: " + Hex(p.Text) + ";\n}\n";
        css += d + " button {\n  background-image: none;\n  background-color: " + Hex(p.Button) +
               ";\n  color: " + Hex(p.ButtonText) + ";\n  border: 1px solid " + Hex(p.ButtonBorder) +
               ";\n  border-radius: " + std::to_string(p.ButtonRadius) +
               "px;\n  box-shadow: none;\n  text-shadow: none;\n}\n";
        css += d + " button label {\n  color: " + Hex(p.ButtonText) + ";\n}\n";
        css += d + " button:hover, " + d + " button:focus {\n  border-color: " + Hex(p.Accent) + ";\n}\n";
        css += d + " entry {\n  background-image: none;\n  background-color: " + Hex(p.Edit) +
               ";\n  color: " + Hex(p.EditText) + ";\n  border: 1px solid " + Hex(p.Border) +
               ";\n  box-shadow: none;\n}\n";
        css += d + " entry selection, " + d + " label selection {\n  background-color: " + Hex(p.Accent) +
               ";\n  color: " + Hex(p.Window) + ";\n}\n";
    }
    return css;
}

}  // namespace vellum
