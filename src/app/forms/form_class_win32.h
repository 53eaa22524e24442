#pragma once

#include <windows.h>

namespace vellum {

// Registers a form's window class once per process (later calls find it registered).
inline void RegisterFormClass(const wchar_t* name, WNDPROC procedure, UINT style, LPCWSTR cursor, HBRUSH background) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExW(instance, name, &windowClass)) return;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, cursor);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

}  // namespace vellum
