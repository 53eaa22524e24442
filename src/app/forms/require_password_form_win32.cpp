// The password prompt: an edit that shows "*" for every character, with a key on its left,
// closing by itself at the key release that completes the password. Under a theme it draws its
// frame, caption and edit in the theme's colours.
#include <windows.h>

#include <memory>

#include "app/forms/key_pictogram_win32.h"
#include "app/forms/require_password_form.h"
#include "app/forms/rounded_corners.h"
#include "core/text/utf.h"
#include "platform/win32/themed_window_win32.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

constexpr int kEditId = 101;

class TRequirePasswordForm final : public TRoundedCornerForm, private IWindowHandler {
public:
    // FormCreate: the password is empty until startup assigns it.
    TRequirePasswordForm() : FPassword() {}

    void SetPassword(const std::string& value) { FPassword = Utf8ToUtf16(value); }

    int ShowModal(const std::string& caption) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        RegisterWindowClass(
            {.Name = L"TRequirePasswordForm", .Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        const auto scale = [dpi](int value) { return MulDiv(value, dpi, 96); };
        painter_ = std::make_unique<TThemedPainter>(dpi);

        const DWORD nativeStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        const DWORD nativeExStyle = WS_EX_DLGMODALFRAME;
        const DWORD style = painter_->Style(nativeStyle), exStyle = painter_->ExStyle(nativeExStyle);
        const SIZE outer = painter_->OuterSize(scale(308), scale(71), nativeStyle, nativeExStyle);
        const int width = outer.cx, height = outer.cy;
        const POINT origin = painter_->Origin();
        const std::u16string title = Utf8ToUtf16(caption);
        form_ =
            CreateBoundWindow(*this, exStyle, L"TRequirePasswordForm", reinterpret_cast<const wchar_t*>(title.c_str()),
                              style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                              (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr);
        if (form_ == nullptr) return 2;
        WindowCreated(form_);

        font_ = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
        edit_ = CreateWindowExW(painter_->EditExStyle(WS_EX_CLIENTEDGE), L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
                                origin.x + scale(24), origin.y + scale(24),
                                scale(257), scale(21), form_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                                instance, nullptr);
        SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        painter_->AddFramedChild(edit_);
        SendMessageW(edit_, EM_SETPASSWORDCHAR, L'*', 0);
        // The left button: decoration showing the key; clicking it does nothing.
        const int iconSize = dpi >= 144 ? 32 : 16;
        const int buttonSize = scale(17);
        SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(buttonSize + scale(2), 0));
        keyIcon_ = CreateKeyPictogram(iconSize);
        HWND keyButton = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, 0, 0,
                                         buttonSize, buttonSize, edit_, nullptr, instance, nullptr);
        SendMessageW(keyButton, STM_SETICON, reinterpret_cast<WPARAM>(keyIcon_), 0);
        SetWindowLongPtrW(edit_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        editProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TRequirePasswordForm::EditProc)));

        ShowWindow(form_, SW_SHOWNORMAL);
        SetForegroundWindow(form_);
        SetFocus(edit_);
        MSG message;
        while (modalResult_ == 0 && GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyWindow(form_);
        DeleteObject(font_);
        if (keyIcon_ != nullptr) DestroyIcon(keyIcon_);
        return modalResult_ == 0 ? 2 : modalResult_;
    }

private:
    // PasswordEditKeyUp: every key release compares the whole text, code unit for code unit.
    void PasswordEditKeyUp() {
        const int length = GetWindowTextLengthW(edit_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(edit_, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        if (std::u16string(text.begin(), text.end()) == FPassword) modalResult_ = 1;
    }

    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* form = reinterpret_cast<TRequirePasswordForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        // The key sits inside the edit and takes the edit's colours.
        if (message == WM_CTLCOLORSTATIC && form->painter_ && form->painter_->Active())
            return *form->painter_->Handle(form->form_, WM_CTLCOLOREDIT, wParam, lParam);
        const LRESULT result = CallWindowProcW(form->editProc_, window, message, wParam, lParam);
        if (message == WM_KEYUP || message == WM_SYSKEYUP) form->PasswordEditKeyUp();
        return result;
    }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (painter_)
            if (const auto themed = painter_->Handle(window, message, wParam, lParam)) return *themed;
        if (message == WM_CLOSE) {
            modalResult_ = 2;  // the close box or the system's close command
            return 0;
        }
        if (message == WM_DESTROY) WindowDestroyed();
        return DefWindowProcW(window, message, wParam, lParam);
    }

    std::u16string FPassword;
    std::unique_ptr<TThemedPainter> painter_;
    HWND form_ = nullptr;
    HWND edit_ = nullptr;
    HFONT font_ = nullptr;
    HICON keyIcon_ = nullptr;
    WNDPROC editProc_ = nullptr;
    int modalResult_ = 0;
};

}  // namespace

int ShowRequirePasswordForm(const std::string& caption, const std::string& password) {
    TRequirePasswordForm form;
    form.SetPassword(password);
    return form.ShowModal(caption);
}

}  // namespace vellum
