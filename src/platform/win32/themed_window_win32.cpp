#include "platform/win32/themed_window_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "core/styles/style_manager.h"

namespace vellum {

namespace {

// The desktop window manager's attributes (Windows 11; earlier systems refuse them).
constexpr DWORD kUseImmersiveDarkMode = 20, kBorderColour = 34, kCaptionColour = 35, kTextColour = 36;
constexpr COLORREF kDefaultColour = 0xFFFFFFFF;

void SetWindowAttribute(HWND window, DWORD attribute, DWORD value) {
    // Looked up at run time: the call must not be what keeps the program from starting.
    using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto setAttribute = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        return dwm != nullptr ? reinterpret_cast<TSetAttribute>(
                                    reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")))
                              : nullptr;
    }();
    if (setAttribute != nullptr) setAttribute(window, attribute, &value, sizeof value);
}

void FillWith(HDC dc, const RECT& rect, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void RoundBox(HDC dc, const RECT& rect, int radius, COLORREF outline, COLORREF face) {
    SetDCBrushColor(dc, face);
    SetDCPenColor(dc, outline);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 2 * radius + 1, 2 * radius + 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

COLORREF ToColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

COLORREF ThemedSysColor(int index) {
    const TStylePalette* palette = StyleManager().ActivePalette();
    if (palette == nullptr) return GetSysColor(index);
    switch (index) {
        case COLOR_WINDOW:
        case COLOR_BTNFACE:
        case COLOR_APPWORKSPACE:
        case COLOR_BACKGROUND: return ToColorRef(palette->Window);
        case COLOR_WINDOWTEXT:
        case COLOR_BTNTEXT: return ToColorRef(palette->Text);
        case COLOR_ACTIVECAPTION:
        case COLOR_INACTIVECAPTION: return ToColorRef(palette->Caption);
        case COLOR_CAPTIONTEXT: return ToColorRef(palette->CaptionText);
        case COLOR_HIGHLIGHT:
        case COLOR_HOTLIGHT: return ToColorRef(palette->Accent);
        case COLOR_WINDOWFRAME:
        case COLOR_ACTIVEBORDER: return ToColorRef(palette->Border);
        default: return GetSysColor(index);
    }
}

void ApplyThemeToFrame(HWND window) {
    const TStylePalette* palette = StyleManager().ActivePalette();
    SetWindowAttribute(window, kUseImmersiveDarkMode, palette != nullptr && palette->Dark ? 1 : 0);
    SetWindowAttribute(window, kCaptionColour, palette != nullptr ? ToColorRef(palette->Caption) : kDefaultColour);
    SetWindowAttribute(window, kBorderColour, palette != nullptr ? ToColorRef(palette->Border) : kDefaultColour);
    SetWindowAttribute(window, kTextColour, palette != nullptr ? ToColorRef(palette->CaptionText) : kDefaultColour);
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

TThemedPainter::TThemedPainter(int dpi) : dpi_(dpi) {
    if (const TStylePalette* palette = StyleManager().ActivePalette()) palette_ = *palette;
    if (!palette_) return;
    window_ = CreateSolidBrush(ToColorRef(palette_->Window));
    edit_ = CreateSolidBrush(ToColorRef(palette_->Edit));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfCaptionFont.lfWeight = FW_SEMIBOLD;
    captionFont_ = CreateFontIndirectW(&metrics.lfCaptionFont);
}

TThemedPainter::~TThemedPainter() {
    if (window_ != nullptr) DeleteObject(window_);
    if (edit_ != nullptr) DeleteObject(edit_);
    if (captionFont_ != nullptr) DeleteObject(captionFont_);
}

int TThemedPainter::Border() const {
    return palette_ ? std::max(1, Scale(palette_->BorderWidth)) : 0;
}

int TThemedPainter::Caption() const {
    return palette_ ? Scale(palette_->CaptionHeight) : 0;
}

DWORD TThemedPainter::Style(DWORD nativeStyle) const {
    return palette_ ? (WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN) : nativeStyle;
}

DWORD TThemedPainter::ExStyle(DWORD nativeExStyle) const {
    return palette_ ? (nativeExStyle & ~static_cast<DWORD>(WS_EX_DLGMODALFRAME)) : nativeExStyle;
}

SIZE TThemedPainter::OuterSize(int clientWidth, int clientHeight, DWORD nativeStyle, DWORD nativeExStyle) const {
    if (palette_) return {clientWidth + 2 * Border(), clientHeight + 2 * Border() + Caption()};
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, nativeStyle, FALSE, nativeExStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

POINT TThemedPainter::Origin() const {
    return {Border(), Border() + Caption()};
}

DWORD TThemedPainter::ButtonStyle(DWORD nativeStyle) const {
    return palette_ ? ((nativeStyle & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW) : nativeStyle;
}

DWORD TThemedPainter::EditExStyle(DWORD nativeExStyle) const {
    return palette_ ? (nativeExStyle & ~static_cast<DWORD>(WS_EX_CLIENTEDGE)) : nativeExStyle;
}

RECT TThemedPainter::CloseBox(HWND window) const {
    RECT client;
    GetClientRect(window, &client);
    const int size = Caption();
    return {client.right - Border() - size, Border(), client.right - Border(), Border() + size};
}

void TThemedPainter::Paint(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    const int border = Border(), caption = Caption();
    FillWith(dc, client, ToColorRef(palette_->Border));
    RECT band{border, border, client.right - border, border + caption};
    FillWith(dc, band, ToColorRef(palette_->Caption));
    RECT body{border, border + caption, client.right - border, client.bottom - border};
    FillWith(dc, body, ToColorRef(palette_->Window));

    // The caption: a small accent mark, the title, and the close glyph.
    const int mark = Scale(10);
    RECT markRect{border + Scale(8), border + (caption - mark) / 2, border + Scale(8) + mark,
                  border + (caption + mark) / 2};
    FillWith(dc, markRect, ToColorRef(palette_->Accent));
    RECT title{markRect.right + Scale(8), border, client.right - border - caption, border + caption};
    HGDIOBJ oldFont = SelectObject(dc, captionFont_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(palette_->CaptionText));
    const std::wstring text = TextOf(window);
    DrawTextW(dc, text.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    const RECT close = CloseBox(window);
    const int glyph = caption / 4;
    const int cx = (close.left + close.right) / 2, cy = (close.top + close.bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, std::max(1, Scale(2) - 1), ToColorRef(palette_->CaptionText));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, cx - glyph, cy - glyph, nullptr);
    LineTo(dc, cx + glyph + 1, cy + glyph + 1);
    MoveToEx(dc, cx + glyph, cy - glyph, nullptr);
    LineTo(dc, cx - glyph - 1, cy + glyph + 1);
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    for (HWND child : framed_) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        InflateRect(&rect, 1, 1);
        SetDCBrushColor(dc, ToColorRef(palette_->ButtonBorder));
        FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
}

void TThemedPainter::DrawButton(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    FillWith(dc, rect, ToColorRef(palette_->Window));
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool emphasised = item.hwndItem == defaultButton_ || focused;
    const COLORREF outline = ToColorRef(emphasised ? palette_->Accent : palette_->ButtonBorder);
    RoundBox(dc, rect, Scale(palette_->ButtonRadius), outline, ToColorRef(pressed ? palette_->Accent : palette_->Button));
    if (emphasised) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        RoundBox(dc, inner, std::max(0, Scale(palette_->ButtonRadius) - 1), outline,
                 ToColorRef(pressed ? palette_->Accent : palette_->Button));
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(palette_->ButtonText));
    const std::wstring text = TextOf(item.hwndItem);
    DrawTextW(dc, text.c_str(), -1, &rect, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

std::optional<LRESULT> TThemedPainter::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!palette_) return std::nullopt;
    switch (message) {
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers everything
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            Paint(window, dc);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_NCHITTEST: {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ScreenToClient(window, &point);
            const RECT close = CloseBox(window);
            if (PtInRect(&close, point)) return HTCLIENT;
            if (point.y >= Border() && point.y < Border() + Caption()) return HTCAPTION;
            return HTCLIENT;
        }
        case WM_LBUTTONUP: {
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const RECT close = CloseBox(window);
            if (!PtInRect(&close, point)) return std::nullopt;
            PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ToColorRef(palette_->Text));
            SetBkColor(dc, ToColorRef(palette_->Window));
            return reinterpret_cast<LRESULT>(window_);
        }
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, ToColorRef(palette_->EditText));
            SetBkColor(dc, ToColorRef(palette_->Edit));
            return reinterpret_cast<LRESULT>(edit_);
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_BUTTON) return std::nullopt;
            DrawButton(*item);
            return TRUE;
        }
        default: return std::nullopt;
    }
}

}  // namespace vellum
