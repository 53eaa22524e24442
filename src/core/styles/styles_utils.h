#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/styles/raster_image.h"

namespace vellum {

// The themes of the host's windows over the process's style manager, for the bridge, startup
// and the packaging tool. Never instantiated.
class TStylesUtils {
public:
    TStylesUtils() = delete;

    static std::string GetActiveTheme();
    // Fills the list with "Windows" and every registered style; sorted without regard to case
    // when asked.
    static void GetAvailables(std::vector<std::string>& ThemesList, bool Sorted);
    // Activates the theme of that name in any letter case; without a match nothing changes
    // and, with ShowError, the error box tells "Style '%s' not found".
    static void TrySetStyle(const std::string& ThemeName, bool ShowError);
    // Draws the sample window of a theme over the whole picture (the packaging tool's preview).
    // Raises for "Windows", which has no style of ours to draw, and for an unknown name.
    static void DrawThemePreview(const std::string& ThemeName, TRasterImage& targetImage);

    // Shows the error box of TrySetStyle; set by the platform (nothing is shown without it).
    static std::function<void(const std::string& message)>& ErrorBox();
};

}  // namespace vellum
