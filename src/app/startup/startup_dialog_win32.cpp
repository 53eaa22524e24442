// The startup message dialog: a standard modal message dialog drawn with the system's message
// font, its icon chosen by kind and its buttons laid out in enumeration order. Under a theme it
// draws its frame, caption, text and buttons in the theme's colours.
#include <windows.h>

#include <algorithm>

#include "app/startup/startup_messages.h"
#include "core/text/utf.h"
#include "platform/win32/themed_window_win32.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

constexpr int kFirstButtonId = 100;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonGap = 8, kMargin = 16, kIconSize = 32;

// The dialog's outcome, answering the dialog's messages.
class TDialogState final : public IWindowHandler {
public:
    explicit TDialogState(int dpi) : Painter(dpi) {}

    TStartupDialogLayout Layout;
    TThemedPainter Painter;
    int Result = mrNone;
    bool Done = false;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (const auto themed = Painter.Handle(window, message, wParam, lParam)) return *themed;
        switch (message) {
            case DM_GETDEFID:
                if (Layout.DefaultIndex >= 0) return MAKELRESULT(kFirstButtonId + Layout.DefaultIndex, DC_HASDEFID);
                return 0;
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                int index = id - kFirstButtonId;
                if (id == IDCANCEL) index = Layout.EscapeIndex;  // Escape
                if (id == IDOK) index = Layout.DefaultIndex;     // Enter without a focused button
                if (index >= 0 && index < static_cast<int>(Layout.Buttons.size())) {
                    Result = Layout.Buttons[static_cast<std::size_t>(index)].ModalResult;
                    Done = true;
                }
                return 0;
            }
            case WM_CLOSE:
                Result = mrCancel;
                Done = true;
                return 0;
            default: return DefWindowProcW(window, message, wParam, lParam);
        }
    }
};

const wchar_t* IconOf(TMsgDlgType kind) {
    switch (kind) {
        case TMsgDlgType::mtWarning: return IDI_WARNING;
        case TMsgDlgType::mtError: return IDI_ERROR;
        case TMsgDlgType::mtInformation: return IDI_INFORMATION;
        case TMsgDlgType::mtConfirmation: return IDI_QUESTION;
        case TMsgDlgType::mtCustom: return nullptr;
    }
    return nullptr;
}

}  // namespace

int ShowStartupDialog(const std::string& Msg, TMsgDlgType Kind, const std::vector<TMsgDlgBtn>& Buttons,
                      const std::vector<std::string>& Captions, const std::string& Title) {
    static const wchar_t* const kClassName = L"TMessageForm";
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass({.Name = kClassName, .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});

    HDC screenDc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screenDc, LOGPIXELSX);
    ReleaseDC(nullptr, screenDc);
    TDialogState state(dpi);
    state.Layout = LayOutStartupDialog(Buttons, Captions);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);

    // Measure the text, wrapped at a readable width.
    const std::wstring text = Wide(Msg);
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    RECT textRect{0, 0, 380, 0};
    DrawTextW(screen, text.c_str(), -1, &textRect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);

    const wchar_t* icon = IconOf(Kind);
    const int textLeft = kMargin + (icon != nullptr ? kIconSize + kMargin : 0);
    const int buttonCount = static_cast<int>(state.Layout.Buttons.size());
    const int buttonsWidth = buttonCount * kButtonWidth + std::max(0, buttonCount - 1) * kButtonGap;
    const int clientWidth = std::max(textLeft + static_cast<int>(textRect.right) + kMargin, buttonsWidth + 2 * kMargin);
    const int bodyHeight = std::max(static_cast<int>(textRect.bottom), icon != nullptr ? kIconSize : 0);
    const int clientHeight = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

    const DWORD nativeStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD nativeExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
    const DWORD style = state.Painter.Style(nativeStyle), exStyle = state.Painter.ExStyle(nativeExStyle);
    const SIZE outer = state.Painter.OuterSize(clientWidth, clientHeight, nativeStyle, nativeExStyle);
    const int width = outer.cx, height = outer.cy;
    const POINT origin = state.Painter.Origin();
    const HWND owner = GetActiveWindow();
    HWND dialog = CreateBoundWindow(state, exStyle, kClassName, Wide(Title).c_str(), style,
                                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, owner);
    if (dialog == nullptr) {
        DeleteObject(font);
        return mrCancel;
    }

    if (icon != nullptr) {
        HWND iconControl = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, origin.x + kMargin,
                                           origin.y + kMargin,
                                           kIconSize, kIconSize, dialog, nullptr, instance, nullptr);
        SendMessageW(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, icon)), 0);
    }
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                 origin.x + textLeft, origin.y + kMargin, textRect.right, textRect.bottom, dialog, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    int left = origin.x + (clientWidth - buttonsWidth) / 2;
    const int top = origin.y + kMargin + bodyHeight + kMargin;
    HWND defaultButton = nullptr;
    for (int i = 0; i < buttonCount; ++i) {
        const bool isDefault = i == state.Layout.DefaultIndex;
        HWND button =
            CreateWindowExW(0, L"BUTTON", Wide(state.Layout.Buttons[static_cast<std::size_t>(i)].Caption).c_str(),
                            state.Painter.ButtonStyle(WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                                                      (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
                            left,
                            top, kButtonWidth, kButtonHeight, dialog,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstButtonId + i)), instance, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (isDefault) {
            defaultButton = button;
            state.Painter.SetDefaultButton(button);
        }
        left += kButtonWidth + kButtonGap;
    }

    if (owner != nullptr) EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOWNORMAL);
    SetForegroundWindow(dialog);
    SetFocus(defaultButton != nullptr ? defaultButton : dialog);

    MSG message;
    while (!state.Done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (owner != nullptr) EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
    DeleteObject(font);
    return state.Done ? state.Result : mrCancel;
}

}  // namespace vellum
