#pragma once

// The app's ID names its data folder: one folder of its own under the user's local application
// data, which a declined or failed runtime installation deletes again with everything in it.
// An ID that is not one plain folder name would point at that shared folder, its parent or
// somewhere else. Startup and the packaging tool apply the same rule, so that the tool refuses
// what the runtime would refuse. Header-only, as both link only the core library.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/ascii_case.h"
#include "core/text/utf.h"

namespace vellum {

// Why the ID cannot name a folder of its own on Windows, or nothing when it can. The rules are
// Windows' whatever system checks them, since the app runs there.
inline std::optional<std::string> DataFolderNameProblem(std::string_view id) {
    if (id.empty()) return "is empty";
    if (id == "." || id == "..") return "names the folder that holds it or that folder's parent";
    if (id.find_first_of("/\\") != std::string_view::npos) return "holds a path delimiter ('/' or '\\')";
    for (const char c : id)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return "holds a character Windows does not allow in a folder name (< > : \" | ? * or a control character)";
    // Windows drops trailing dots and blanks, so "app." would be the folder "app" and "..." none.
    if (id.back() == '.' || id.back() == ' ')
        return "ends with a dot or a blank, which Windows drops from folder names";

    // Device names stay devices with any extension ("NUL.txt") and in any letter case.
    std::string_view stem = id.substr(0, id.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
    const std::string folded = FoldAsciiCase(stem);
    bool device = false;
    for (const std::string_view name : kDevices) device = device || folded == name;
    if (folded.size() >= 4 && (folded.starts_with("com") || folded.starts_with("lpt"))) {
        const std::string_view number = std::string_view(folded).substr(3);
        device = device || (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
                 number == "\xC2\xB2" || number == "\xC2\xB3";  // superscript 1, 2, 3
    }
    if (device) return "is a device name of Windows (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9)";

    if (Utf8ToUtf16(id).size() > 255) return "is longer than 255 characters, the longest folder name Windows allows";
    return std::nullopt;
}

}  // namespace vellum
