#include <windows.h>

#include "bridge/browser_external_form.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

class TBrowserExternalFormWindow final : public TBrowserExternalForm {
public:
    TBrowserExternalFormWindow() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TBrowserExternalForm";
        RegisterClassExW(&windowClass);
        const std::u16string caption = Utf8ToUtf16(kCaption);
        // Created without WS_VISIBLE and never shown.
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName,
                                  reinterpret_cast<const wchar_t*>(caption.c_str()), WS_OVERLAPPED, 0, 0, 100, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
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
