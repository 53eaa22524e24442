#include "app/main_form/main_form_settings.h"

#include "core/settings/app_settings.h"

namespace vellum {

TMainFormSettings ReadMainFormSettings(const TAppSettings& settings) {
    TMainFormSettings read;
    const auto integer = [&settings](const char* key, std::int32_t defaultValue) {
        return settings.ReadInteger("App", key, defaultValue);
    };
    read.AllowDebug = settings.ReadBool("App", "AllowDebug", false);
    read.AllowZoom = settings.ReadBool("App", "AllowZoom", false);
    read.AllowContextMenu = settings.ReadBool("App", "AllowContextMenu", false);
    read.Top = integer("Top", 50);
    read.Left = integer("Left", 50);
    read.Width = integer("Width", 800);
    read.Height = integer("Height", 600);
    read.MaxWidth = integer("MaxWidth", 0);
    read.MaxHeight = integer("MaxHeight", 0);
    read.MinWidth = integer("MinWidth", 0);
    read.MinHeight = integer("MinHeight", 0);
    read.WindowPosition = integer("WindowPosition", 0);
    read.WindowStyle = integer("WindowStyle", 0);
    read.WindowBorder = integer("WindowBorder", 2);
    read.WindowState = integer("WindowState", 0);
    read.WindowOrder = integer("WindowOrder", 0);
    return read;
}

std::string ChooseStartPage(const std::vector<std::string>& arguments, const std::string& appId,
                            const std::string& appIndexHtml) {
    if (arguments.size() == 2 && arguments[0] == appId) return arguments[1];
    return "file:///" + appIndexHtml;
}

}  // namespace vellum
