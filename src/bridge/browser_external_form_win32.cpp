#include <windows.h>

#include "bridge/browser_external_form.h"
#include "core/text/utf.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TBrowserExternalForm";

class TBrowserExternalFormWindow final : public TBrowserExternalForm {
public:
    TBrowserExternalFormWindow() {
        RegisterWindowClass({.Name = kWindowClass, .Cursor = nullptr});
        const std::u16string caption = Utf8ToUtf16(kCaption);
        // Created without WS_VISIBLE and never shown; the menus and the tray icon will talk to it.
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, reinterpret_cast<const wchar_t*>(caption.c_str()),
                                  WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TBrowserExternalFormWindow() override {
        if (window_ != nullptr) DestroyWindow(window_);
    }

private:
    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm() {
    return std::make_unique<TBrowserExternalFormWindow>();
}

}  // namespace vellum
