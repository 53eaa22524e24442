#include "core/styles/styles_utils.h"

#include "core/errors.h"
#include "core/styles/style_manager.h"
#include "core/styles/theme_catalogue.h"
#include "core/styles/theme_preview.h"

namespace vellum {

std::string TStylesUtils::GetActiveTheme() {
    return StyleManager().ActiveName();
}

void TStylesUtils::GetAvailables(std::vector<std::string>& ThemesList, bool Sorted) {
    ThemesList = StyleManager().Names();
    if (Sorted) SortIgnoringCase(ThemesList);
}

void TStylesUtils::TrySetStyle(const std::string& ThemeName, bool ShowError) {
    if (!StyleManager().TrySetStyle(ThemeName) && ShowError && ErrorBox())
        ErrorBox()("Style '" + ThemeName + "' not found");
}

void TStylesUtils::DrawThemePreview(const std::string& ThemeName, TRasterImage& targetImage) {
    if (ThemeName == kNativeThemeName) throw EVellumError("Not available \"Windows\" preview.");
    DrawStylePreview(StyleManager().LoadStyle(ThemeName), targetImage);
}

std::function<void(const std::string& message)>& TStylesUtils::ErrorBox() {
    static std::function<void(const std::string&)> box;
    return box;
}

}  // namespace vellum
