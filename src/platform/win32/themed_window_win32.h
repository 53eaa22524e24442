#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/styles/style_resource.h"

namespace vellum {

COLORREF ToColorRef(std::uint32_t rgb);

// A system colour as the active theme has it (window, text, caption, highlight), or the
// system's own under the native look.
COLORREF ThemedSysColor(int index);

// The frame of a window the system draws (the main window) in the active theme where the
// desktop window manager allows: caption, border and caption text colours and the dark frame
// (Windows 11); the native look puts back the system's defaults. Harmless where unsupported.
void ApplyThemeToFrame(HWND window);

// Draws one window of ours in the theme active when it is made: its own border and caption
// bar inside a popup window (so that every system shows them alike), the colours of its
// statics and edits, and owner-drawn buttons. Under the native look it changes nothing and
// handles no message, and the window looks as the system draws it.
class TThemedPainter {
public:
    explicit TThemedPainter(int dpi);
    ~TThemedPainter();
    TThemedPainter(const TThemedPainter&) = delete;
    TThemedPainter& operator=(const TThemedPainter&) = delete;

    bool Active() const { return palette_.has_value(); }

    // The styles and outer size of the window for the client area wanted; the native ones
    // are given and returned unchanged under the native look.
    DWORD Style(DWORD nativeStyle) const;
    DWORD ExStyle(DWORD nativeExStyle) const;
    SIZE OuterSize(int clientWidth, int clientHeight, DWORD nativeStyle, DWORD nativeExStyle) const;
    // Where the client area wanted starts inside the window (0, 0 under the native look).
    POINT Origin() const;
    DWORD ButtonStyle(DWORD nativeStyle) const;
    DWORD EditExStyle(DWORD nativeExStyle) const;

    void SetDefaultButton(HWND button) { defaultButton_ = button; }
    // A child the painter draws a thin outline around (an edit without its own edge).
    void AddFramedChild(HWND child) { framed_.push_back(child); }

    // The window's message handled for the theme, or nothing to let it go on as usual.
    std::optional<LRESULT> Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    int Scale(int value) const { return MulDiv(value, dpi_, 96); }
    int Border() const;
    int Caption() const;
    RECT CloseBox(HWND window) const;
    void Paint(HWND window, HDC dc);
    void DrawButton(const DRAWITEMSTRUCT& item);

    std::optional<TStylePalette> palette_;
    int dpi_;
    HBRUSH window_ = nullptr, edit_ = nullptr;
    HFONT captionFont_ = nullptr;
    HWND defaultButton_ = nullptr;
    std::vector<HWND> framed_;
};

}  // namespace vellum
