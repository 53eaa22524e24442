#pragma once

#include <cstdint>
#include <string>

namespace vellum {

// The scripts through which the host raises the page's events (window.vlm.events).
inline constexpr const char* kCloseQueryScript = "vlm.events.onCloseQuery();";
inline constexpr const char* kTrayIconClickScript = "vlm.events.onTrayIconClick();";

std::string MainMenuItemClickScript(std::int32_t itemId);
std::string TrayMenuItemClickScript(std::int32_t itemId);
// The name as the content of a JavaScript double-quoted string literal.
std::string NotificationClickScript(const std::string& notificationName);

}  // namespace vellum
