// A menu and its submenus as JSON, for the UI driver and the WebView2 test double:
// [{"caption", "separator", "enabled", "command", "image", "items"}]. Null when the menu cannot be
// read: none, or the system keeps it from this process (Wine keeps a menu readable only by the
// process that made it, which is why the double reads the app's menus from inside it).
#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>

#include <string>

namespace vellum::testing {

inline std::string MenuTextUtf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(length - 1));
    return result;
}

inline nlohmann::json MenuJson(HMENU menu) {
    const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    if (count < 0) return nullptr;
    nlohmann::json items = nlohmann::json::array();
    for (int i = 0; i < count; ++i) {
        wchar_t caption[1024] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING | MIIM_ID | MIIM_BITMAP;
        info.dwTypeData = caption;
        info.cch = 1023;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) return nullptr;
        nlohmann::json item = {{"caption", MenuTextUtf8(caption)},
                               {"separator", (info.fType & MFT_SEPARATOR) != 0},
                               {"enabled", (info.fState & MFS_DISABLED) == 0},
                               {"command", info.wID},
                               {"image", info.hbmpItem != nullptr}};
        if (info.hSubMenu != nullptr) item["items"] = MenuJson(info.hSubMenu);
        items.push_back(item);
    }
    return items;
}

// The message that asks the double, inside an app's process, to record the app's menus: posted
// by the UI driver to the double's message-only window (class below) of that process.
inline UINT ReadMenusMessage() {
    return RegisterWindowMessageW(L"VellumWebView2DoubleReadMenus");
}
inline constexpr const wchar_t* kDoubleDispatchClass = L"VellumWebView2DoubleDispatch";

}  // namespace vellum::testing
