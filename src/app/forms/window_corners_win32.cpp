#include <windows.h>

#include "app/forms/window_corners.h"

namespace vellum {

void ApplyWindowCornerPreference(void* window, std::uint32_t preference) {
    // Looked up at run time: older systems have no such attribute, and the call must not be
    // what keeps the program from starting there.
    using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto setAttribute = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        return dwm != nullptr ? reinterpret_cast<TSetAttribute>(
                                    reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
                              : nullptr;
    }();
    if (setAttribute != nullptr) setAttribute(static_cast<HWND>(window), 33, &preference, sizeof preference);
}

bool WindowHandleExists(void* window) {
    return IsWindow(static_cast<HWND>(window)) != FALSE;
}

}  // namespace vellum
