#pragma once

#include <cstdint>

#include "webview2/com_compat.h"

namespace vellum {

// A keyboard message as the window system would deliver it.
struct TKeyMessage {
    std::uint32_t Message;
    std::uintptr_t WParam;
    std::intptr_t LParam;
};

// What the browser control needs from the window that hosts it. Windows implements it with a
// child window; tests and other desktops supply their own.
class IBrowserWindow {
public:
    virtual ~IBrowserWindow() = default;
    // The control's window, created first when it does not exist yet.
    virtual webview2::HWND WindowHandle() = 0;
    virtual webview2::RECT ClientRect() = 0;
    // Gives the control's window the keyboard focus.
    virtual void FocusWindow() = 0;
    // Moves focus to the next (or previous) tab stop after the control, as tabbing would.
    virtual void SelectNextControl(bool forward) = 0;
    // Offers a key to the shortcut handling of the top-level form holding the control; true
    // when the form took it as a shortcut. False when there is no such form.
    virtual bool IsShortCut(const TKeyMessage& message) = 0;
};

}  // namespace vellum
