#include <windows.h>

#include <cmath>

#include "app/forms/edge_installer_form.h"
#include "app/forms/rounded_corners.h"
#include "platform/win32/themed_window_win32.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr double kPi = 3.14159265358979323846;

COLORREF SettingsColor(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    // A system colour is taken as the active theme has it.
    if ((bits & 0xFF000000u) == 0xFF000000u) return ThemedSysColor(static_cast<int>(bits & 0xFF));
    return static_cast<COLORREF>(bits & 0x00FFFFFFu);
}

class TEdgeInstallerForm final : public TRoundedCornerForm, private IWindowHandler {
public:
    TEdgeInstallerForm(COLORREF background, COLORREF foreground, int kind)
        : background_(background), foreground_(foreground), kind_(kind) {}

    HWND Create() {
        RegisterWindowClass({.Name = L"TEdgeInstallerForm", .Style = CS_DROPSHADOW, .Cursor = IDC_APPSTARTING});
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        const int size = MulDiv(80, dpi_, 96);
        // A tool window: no taskbar button while no main window exists.
        window_ = CreateBoundWindow(*this, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"TEdgeInstallerForm",
                                    L"EdgeInstallerForm", WS_POPUP, (GetSystemMetrics(SM_CXSCREEN) - size) / 2,
                                    (GetSystemMetrics(SM_CYSCREEN) - size) / 2, size, size, nullptr);
        if (window_ == nullptr) return nullptr;
        WindowCreated(window_);
        // FormCreate: the rounded region; the window owns it once set.
        HRGN region = CreateRoundRectRgn(0, 0, size + 1, size + 1, 4, 4);
        if (!SetWindowRgn(window_, region, TRUE)) DeleteObject(region);
        SetTimer(window_, kAnimationTimer, 16, nullptr);
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        return window_;
    }

private:
    void Paint(HDC dc) {
        RECT client;
        GetClientRect(window_, &client);
        HBRUSH back = CreateSolidBrush(background_);
        FillRect(dc, &client, back);
        DeleteObject(back);

        const double scale = dpi_ / 96.0;
        const double cx = (9 + 32) * scale, cy = (8 + 32) * scale, radius = 26 * scale;
        const double t = static_cast<double>(GetTickCount64() % 100000) / 1000.0;
        HBRUSH brush = CreateSolidBrush(foreground_);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
        if (kind_ == 1 || kind_ == 2) {
            // A sector sweeping round; the ring kind cuts the centre out.
            const double start = std::fmod(t * 2 * kPi * 0.8, 2 * kPi);
            const double sweep = kPi * 0.6;
            Pie(dc, static_cast<int>(cx - radius), static_cast<int>(cy - radius), static_cast<int>(cx + radius),
                static_cast<int>(cy + radius), static_cast<int>(cx + radius * std::cos(start)),
                static_cast<int>(cy - radius * std::sin(start)),
                static_cast<int>(cx + radius * std::cos(start + sweep)),
                static_cast<int>(cy - radius * std::sin(start + sweep)));
            if (kind_ == 2) {
                HBRUSH hole = CreateSolidBrush(background_);
                SelectObject(dc, hole);
                const double inner = radius * 0.6;
                Ellipse(dc, static_cast<int>(cx - inner), static_cast<int>(cy - inner), static_cast<int>(cx + inner),
                        static_cast<int>(cy + inner));
                SelectObject(dc, brush);
                DeleteObject(hole);
            }
        } else {
            // Momentum dots: five dots chasing round, bunching up and spreading out.
            for (int i = 0; i < 5; ++i) {
                const double phase = t * 1.2 - i * 0.09;
                const double eased = phase - std::sin(phase * 2 * kPi) / (2 * kPi);
                const double angle = kPi / 2 - eased * 2 * kPi;
                const double x = cx + radius * std::cos(angle), y = cy - radius * std::sin(angle);
                const double dot = 3.5 * scale;
                Ellipse(dc, static_cast<int>(x - dot), static_cast<int>(y - dot), static_cast<int>(x + dot),
                        static_cast<int>(y + dot));
            }
        }
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_CLOSE: return 0;  // FormCloseQuery: never
            case WM_DESTROY: WindowDestroyed(); break;
            case WM_TIMER: InvalidateRect(window, nullptr, FALSE); return 0;
            case WM_ERASEBKGND: return 1;
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(window, &paint);
                // Drawn off screen first, so the animation does not flicker.
                RECT client;
                GetClientRect(window, &client);
                HDC memory = CreateCompatibleDC(dc);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
                HGDIOBJ old = SelectObject(memory, bitmap);
                Paint(memory);
                BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
                SelectObject(memory, old);
                DeleteObject(bitmap);
                DeleteDC(memory);
                EndPaint(window, &paint);
                return 0;
            }
            default: break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    COLORREF background_, foreground_;
    int kind_;
    int dpi_ = 96;
    HWND window_ = nullptr;
};

}  // namespace

void* ShowEdgeInstallerForm(std::int32_t formColor, std::int32_t indicatorColor, std::int32_t indicatorType) {
    // The form lives until the process ends: the flow ends the process instead of closing it.
    static TEdgeInstallerForm* form = nullptr;
    if (form == nullptr)
        form = new TEdgeInstallerForm(SettingsColor(formColor), indicatorColor == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255),
                                      indicatorType);
    return form->Create();
}

}  // namespace vellum
