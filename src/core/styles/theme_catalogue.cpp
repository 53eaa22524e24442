#include "core/styles/theme_catalogue.h"

#include <algorithm>

#include "core/text/ascii_case.h"

namespace vellum {

const std::vector<std::string>& ThemeCatalogue() {
    static const std::vector<std::string> names = {
        "Amakrits",         "Amethyst Kamri",      "Aqua Graphite",       "Aqua Light Slate",
        "Auric",            "Carbon",              "Charcoal Dark Slate", "Cobalt XEMedia",
        "Cyan Dusk",        "Cyan Night",          "Emerald Light Slate", "Glossy",
        "Glow",             "Golden Graphite",     "Iceberg Classico",    "Lavender Classico",
        "Light",            "Luna",                "Metropolis UI Black", "Metropolis UI Blue",
        "Metropolis UI Dark", "Metropolis UI Green", "Obsidian",          "Onyx Blue",
        "Ruby Graphite",    "Sapphire Kamri",      "Silver",              "Sky",
        "Slate Classico",   "Smokey Quartz Kamri", "Tablet Dark",         "Tablet Light",
        "Turquoise Gray",   "Windows",             "Windows10",           "Windows10 Blue",
        "Windows10 Dark",   "Windows10 Green",     "Windows10 Purple",    "Windows10 SlateGray",
    };
    return names;
}

std::optional<std::string> FindCatalogueName(std::string_view name) {
    for (const std::string& known : ThemeCatalogue())
        if (EqualIgnoringAsciiCase(known, name)) return known;
    return std::nullopt;
}

std::string StyleResourceName(std::string_view themeName) {
    std::string compact;
    for (char c : themeName)
        if (c != ' ') compact += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    constexpr std::string_view kWindows10 = "WINDOWS10";
    if (compact.starts_with(kWindows10)) return "WINDOWS" + compact.substr(kWindows10.size());
    return compact;
}

void SortIgnoringCase(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return FoldAsciiCase(a) < FoldAsciiCase(b); });
}

}  // namespace vellum
