#include "bridge/page_event_scripts.h"

namespace vellum {

std::string MainMenuItemClickScript(std::int32_t itemId) {
    return "vlm.events.onMainMenuItemClick(\"" + std::to_string(itemId) + "\");";
}

std::string TrayMenuItemClickScript(std::int32_t itemId) {
    return "vlm.events.onTrayMenuItemClick(\"" + std::to_string(itemId) + "\");";
}

std::string NotificationClickScript(const std::string& notificationName) {
    std::string escaped;
    for (std::size_t i = 0; i < notificationName.size(); ++i) {
        const char c = notificationName[i];
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '"': escaped += "\\\""; break;
            case '\n': escaped += "\\n"; break;
            case '\r': escaped += "\\r"; break;
            default:
                // U+2028 and U+2029 end a line inside a JavaScript string literal too.
                if (notificationName.compare(i, 3, "\xE2\x80\xA8") == 0) {
                    escaped += "\\u2028";
                    i += 2;
                } else if (notificationName.compare(i, 3, "\xE2\x80\xA9") == 0) {
                    escaped += "\\u2029";
                    i += 2;
                } else {
                    escaped += c;
                }
        }
    }
    return "vlm.events.onNotificationClick(\"" + escaped + "\");";
}

}  // namespace vellum
