#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellum {

class TAppSettings;

// The main window's settings, section "App", with their defaults.
struct TMainFormSettings {
    bool AllowDebug = false;
    bool AllowZoom = false;
    bool AllowContextMenu = false;
    std::int32_t Top = 50;
    std::int32_t Left = 50;
    std::int32_t Width = 800;
    std::int32_t Height = 600;
    std::int32_t MaxWidth = 0;  // 0: no limit, for all four
    std::int32_t MaxHeight = 0;
    std::int32_t MinWidth = 0;
    std::int32_t MinHeight = 0;
    std::int32_t WindowPosition = 0;  // 0: centred on the desktop; else Windows decides
    std::int32_t WindowStyle = 0;     // 1: fullscreen presentation
    std::int32_t WindowBorder = 2;    // frame kind 0 to 5
    std::int32_t WindowState = 0;     // 1: maximised; anything else normal
    std::int32_t WindowOrder = 0;     // 1: always on top
};

TMainFormSettings ReadMainFormSettings(const TAppSettings& settings);

// The start page: the second argument when the command line is exactly (AppID, address) with
// AppID matching in letter case too; otherwise "file:///" followed by AppIndexHtml.
std::string ChooseStartPage(const std::vector<std::string>& arguments, const std::string& appId,
                            const std::string& appIndexHtml);

}  // namespace vellum
