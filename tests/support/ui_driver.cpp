// A small UI driver for the end-to-end tests: it finds a top-level window of any process by
// title or class, reports its title and the texts of its controls, presses buttons, closes
// windows and types keys. Usage (a window is "TITLE", "class:CLASSNAME" or "handle:N", N being
// the "handle" an earlier wait printed):
//
//   ui_driver wait WINDOW [TIMEOUT_MS]   waits for the window, prints it as JSON, exit 0 (1: timeout)
//   ui_driver gone WINDOW [TIMEOUT_MS]   waits until no such window exists, exit 0 (1: timeout)
//   ui_driver press WINDOW CAPTION       clicks the button captioned CAPTION ("&" ignored)
//   ui_driver close WINDOW               sends the window's close command (as its close box does)
//   ui_driver type WINDOW TEXT           types TEXT into the window's focused edit, key by key
//   ui_driver key WINDOW VIRTUAL_KEY     presses and releases one key (27 is Escape)
//   ui_driver count WINDOW               prints how many such windows exist
//   ui_driver shot WINDOW FILE.bmp       saves what the screen shows of the window as a bitmap
//   ui_driver run COMMAND_LINE           starts a program with exactly that command line, waits
//                                        for it to end and exits with its exit code
//
// Menus and the tray icon:
//
//   ui_driver menubar WINDOW             prints the window's menu bar as JSON (null: none)
//   ui_driver menus WINDOW               asks the WebView2 test double inside the window's process
//                                        to record that process's menu bar and open pop-up menu in
//                                        its transcript (1: the process has no double)
//   ui_driver command WINDOW N           chooses the menu command N, as a click on its item does
//                                        (the window may be hidden)
//   ui_driver tray WINDOW left|double|right  posts the mouse messages of a tray icon to the hidden
//                                        window (found even though it is never visible) whose icon it is
//   ui_driver popup KEYS [TIMEOUT_MS]    waits for an open pop-up menu, prints it as menubar does
//                                        and presses the virtual keys KEYS ("40,13": down, Enter)
//                                        in it (1: none opened); a double in the menu's process
//                                        records the menu first, as "menus" asks
//
// The system's file dialogs (open, save, pick a folder), found by their title like any window:
//
//   ui_driver filename WINDOW TEXT       puts TEXT in the dialog's file-name box (1: no such box)
//   ui_driver filetype WINDOW [INDEX]    picks the type at 1-based INDEX (1: no such entry); prints
//                                        the index the type list shows
//   ui_driver confirm WINDOW             presses the dialog's default button (Open, Save, Select Folder)
//   ui_driver cancel WINDOW              presses its Cancel
//   ui_driver prompt WINDOW [TIMEOUT_MS] waits for a message box the window owns (the question
//                                        whether to replace a file), prints it as wait does
//                                        (1: none came)
//
// The JSON: {"title": ..., "class": ..., "visible": true, "client": [WIDTH, HEIGHT],
//            "rect": [LEFT, TOP, RIGHT, BOTTOM], "style": ..., "exStyle": ..., "maximized": false,
//            "desktop": [LEFT, TOP, WIDTH, HEIGHT], "controls": [{"class": ..., "text": ...}],
//            "minimized": false, "topmost": false, "handle": ..., "owner": ...}
#include <windows.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "item_dialog_controls_win32.h"
#include "menu_json_win32.h"

namespace {

std::string Narrow(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}

using vellum::testing::MenuJson;
using vellum::testing::WindowClass;
using vellum::testing::WindowText;

std::vector<HWND> FindWindows(const std::wstring& selector) {
    // "handle:N": the window whose handle an earlier "wait" printed, whatever its caption now.
    if (selector.rfind(L"handle:", 0) == 0) {
        HWND window =
            reinterpret_cast<HWND>(static_cast<std::uintptr_t>(_wcstoui64(selector.c_str() + 7, nullptr, 10)));
        if (window != nullptr && IsWindow(window)) return {window};
        return {};
    }
    struct TSearch {
        std::wstring Selector;
        std::vector<HWND> Found;
    } search{selector, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(parameter);
            const bool byClass = s->Selector.rfind(L"class:", 0) == 0;
            if (byClass ? WindowClass(window) == s->Selector.substr(6) : WindowText(window) == s->Selector)
                s->Found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitFor(const std::wstring& selector, DWORD timeout) {
    const ULONGLONG until = GetTickCount64() + timeout;
    do {
        for (HWND window : FindWindows(selector))
            if (IsWindowVisible(window)) return window;
        Sleep(50);
    } while (GetTickCount64() < until);
    return nullptr;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM parameter) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

std::wstring WithoutAmpersands(std::wstring text) {
    std::wstring result;
    for (const wchar_t c : text)
        if (c != L'&') result += c;
    return result;
}

// A key press as the target sees it: the character itself (posted key-downs would be
// translated again by the target's own loop, without the shift state), then the release.
void PostKey(HWND target, UINT virtualKey, wchar_t character) {
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    if (character != 0)
        PostMessageW(target, WM_CHAR, character, 1 | (scan << 16));
    else
        PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | (1u << 30) | (1u << 31));
    Sleep(30);
}

HWND EditOf(HWND window) {
    for (HWND child : Children(window))
        if (_wcsicmp(WindowClass(child).c_str(), L"Edit") == 0) return child;
    return window;
}

// The window as "wait" prints it.
nlohmann::json Describe(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    nlohmann::json report = {{"title", Narrow(WindowText(window))},
                             {"class", Narrow(WindowClass(window))},
                             {"visible", IsWindowVisible(window) != 0},
                             {"client", {client.right - client.left, client.bottom - client.top}},
                             {"controls", nlohmann::json::array()}};
    RECT outer{};
    GetWindowRect(window, &outer);
    report["rect"] = {outer.left, outer.top, outer.right, outer.bottom};
    report["style"] = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE));
    report["exStyle"] = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE));
    report["maximized"] = IsZoomed(window) != 0;
    report["minimized"] = IsIconic(window) != 0;
    report["topmost"] = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    // The window's handle, so that a test can tell the same window from a re-created one.
    report["handle"] = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
    // The window that owns it (0: none), so that a test can tell whose dialog it is.
    report["owner"] = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(GetWindow(window, GW_OWNER)));
    report["desktop"] = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    for (HWND child : Children(window))
        report["controls"].push_back({{"class", Narrow(WindowClass(child))}, {"text", Narrow(WindowText(child))}});
    return report;
}

// Asks the WebView2 test double inside the window's process to record that process's menus in
// its transcript ("host_menus"); false when the process has no double.
bool AskDoubleForMenus(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    bool asked = false;
    for (HWND queue = FindWindowExW(HWND_MESSAGE, nullptr, vellum::testing::kDoubleDispatchClass, nullptr);
         queue != nullptr; queue = FindWindowExW(HWND_MESSAGE, queue, vellum::testing::kDoubleDispatchClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(queue, &owner);
        if (owner == process && PostMessageW(queue, vellum::testing::ReadMenusMessage(), 0, 0)) asked = true;
    }
    return asked;
}

// The mouse messages a tray icon's window gets (legacy form: the message in lParam).
bool PostTrayMouse(const std::wstring& selector, const std::wstring& gesture) {
    std::vector<UINT> messages;
    if (gesture == L"left") messages = {WM_LBUTTONDOWN, WM_LBUTTONUP};
    if (gesture == L"double") messages = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    if (gesture == L"right") messages = {WM_RBUTTONDOWN, WM_RBUTTONUP};
    const auto windows = FindWindows(selector);
    if (messages.empty() || windows.empty()) return false;
    constexpr UINT kTrayCallbackMessage = WM_APP + 1;
    for (const UINT message : messages) PostMessageW(windows.front(), kTrayCallbackMessage, 1, message);
    return true;
}

int Usage() {
    std::fputs(
        "usage: ui_driver wait|gone|press|close|type|key|count|filename|filetype|confirm|cancel|prompt|menubar|menus|"
        "command|tray WINDOW"
        " [ARGUMENT]\n"
        "       ui_driver run COMMAND_LINE\n",
        stderr);
    return 2;
}

// Starts COMMAND_LINE as it stands (nothing quoted or split on the way, so that a test chooses
// what the program's own command line holds) and gives back the program's exit code.
int Run(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "ui_driver: cannot start %s (error %lu)\n", Narrow(commandLine).c_str(), GetLastError());
        return 126;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 126;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

// The window's area of the screen, as a 24-bit bottom-up BMP file.
bool SaveScreenshot(HWND window, const wchar_t* path) {
    RECT area{};
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageBytes;
    bool saved = false;
    if (FILE* file = _wfopen(path, L"wb")) {
        saved = std::fwrite(&header, sizeof header, 1, file) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 &&
                std::fwrite(pixels, 1, imageBytes, file) == imageBytes;
        std::fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const std::wstring command = argv[1];
    const std::wstring selector = argv[2];
    if (command == L"shot" && argc > 3) {
        const auto windows = FindWindows(selector);
        if (windows.empty()) {
            std::fprintf(stderr, "ui_driver: no window %s\n", Narrow(selector).c_str());
            return 1;
        }
        return SaveScreenshot(windows.front(), argv[3]) ? 0 : 1;
    }
    if (command == L"run") return Run(selector);
    if (command == L"tray" && argc > 3) return PostTrayMouse(selector, argv[3]) ? 0 : 1;
    if (command == L"popup") {
        const ULONGLONG until = GetTickCount64() + (argc > 3 ? _wtoi(argv[3]) : 10000);
        HWND popup = nullptr;
        while (popup == nullptr) {
            for (HWND window : FindWindows(L"class:#32768"))
                if (IsWindowVisible(window)) popup = window;
            if (popup == nullptr && GetTickCount64() > until) return 1;
            if (popup == nullptr) Sleep(50);
        }
        std::puts(MenuJson(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0))).dump().c_str());
        std::fflush(stdout);
        // The double records the open menu before the keys below close it.
        if (AskDoubleForMenus(popup)) Sleep(200);
        for (const wchar_t* key = selector.c_str(); *key != 0;) {
            wchar_t* end = nullptr;
            const unsigned long virtualKey = std::wcstoul(key, &end, 10);
            if (end == key) break;
            PostMessageW(popup, WM_KEYDOWN, virtualKey, 0);
            Sleep(50);
            key = *end == L',' ? end + 1 : end;
        }
        return 0;
    }
    if (command == L"count") {
        std::printf("%zu\n", FindWindows(selector).size());
        return 0;
    }
    if (command == L"gone") {
        const ULONGLONG until = GetTickCount64() + (argc > 3 ? _wtoi(argv[3]) : 10000);
        while (!FindWindows(selector).empty())
            if (GetTickCount64() > until)
                return 1;
            else
                Sleep(50);
        return 0;
    }
    // A menu command reaches a window the app has hidden too (minimised to the tray icon).
    if (command == L"command" && argc > 3) {
        const auto windows = FindWindows(selector);
        if (windows.empty()) {
            std::fprintf(stderr, "ui_driver: no window %s\n", Narrow(selector).c_str());
            return 1;
        }
        PostMessageW(windows.front(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(_wtoi(argv[3])), 0), 0);
        return 0;
    }
    const DWORD timeout = command == L"wait" && argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    HWND window = WaitFor(selector, timeout);
    if (window == nullptr) {
        std::fprintf(stderr, "ui_driver: no window %s\n", Narrow(selector).c_str());
        return 1;
    }
    if (command == L"wait") {
        std::puts(Describe(window).dump().c_str());
        return 0;
    }
    if (command == L"press" && argc > 3) {
        const std::wstring caption = WithoutAmpersands(argv[3]);
        for (HWND child : Children(window))
            if (_wcsicmp(WindowClass(child).c_str(), L"Button") == 0 &&
                WithoutAmpersands(WindowText(child)) == caption) {
                PostMessageW(child, BM_CLICK, 0, 0);
                return 0;
            }
        std::fprintf(stderr, "ui_driver: no button %s\n", Narrow(caption).c_str());
        return 1;
    }
    if (command == L"menubar") {
        std::puts(MenuJson(GetMenu(window)).dump().c_str());
        return 0;
    }
    if (command == L"menus") return AskDoubleForMenus(window) ? 0 : 1;
    if (command == L"close") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (command == L"type" && argc > 3) {
        HWND edit = EditOf(window);
        for (const wchar_t c : std::wstring(argv[3])) {
            const SHORT scan = VkKeyScanW(c);
            PostKey(edit, scan == -1 ? 0 : LOBYTE(scan), c);
        }
        return 0;
    }
    if (command == L"filename" && argc > 3) return vellum::testing::SetDialogFileName(window, argv[3]) ? 0 : 1;
    if (command == L"filetype") {
        if (argc > 3 && !vellum::testing::SelectDialogFileType(window, _wtoi(argv[3]))) return 1;
        std::printf("%d\n", vellum::testing::SelectedDialogFileType(window));
        return 0;
    }
    if (command == L"confirm") {
        vellum::testing::ConfirmDialog(window);
        return 0;
    }
    if (command == L"cancel") {
        vellum::testing::CancelDialog(window);
        return 0;
    }
    if (command == L"prompt") {
        const ULONGLONG until = GetTickCount64() + (argc > 3 ? _wtoi(argv[3]) : 10000);
        for (;;) {
            if (HWND box = vellum::testing::OwnedMessageBox(window)) {
                std::puts(Describe(box).dump().c_str());
                return 0;
            }
            if (GetTickCount64() > until) return 1;
            Sleep(50);
        }
    }
    if (command == L"key" && argc > 3) {
        PostKey(EditOf(window), static_cast<UINT>(_wtoi(argv[3])), 0);
        return 0;
    }
    return Usage();
}
