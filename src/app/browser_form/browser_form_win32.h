#pragma once

#include <windows.h>

#include <memory>

#include "app/browser_form/browser_form.h"
#include "browser/edge_browser_window_win32.h"
#include "platform/win32/window_class.h"

namespace vellum {

// The browser form's window on Windows: a borderless child that holds the browser control and
// a thin busy bar along its bottom edge.
class TBrowserFormWindow final : public IBrowserFormPlatform, private IWindowHandler {
public:
    TBrowserFormWindow();
    ~TBrowserFormWindow() override;
    TBrowserFormWindow(const TBrowserFormWindow&) = delete;
    TBrowserFormWindow& operator=(const TBrowserFormWindow&) = delete;

    TBrowserForm& Form() { return *form_; }
    HWND Handle() const { return window_; }
    // Makes `parent` the form's parent, filling its client area, and shows the form; the
    // browser control gets its parent too, which starts the browser.
    void EmbedIn(HWND parent);

    void HideProgressBar() override;
    void FocusWindowAbove(int levels) override;
    void StartNewInstance(const std::string& parameters) override;
    std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override;
    std::string LibraryScript() override;
    char PathDelimiter() const override { return '\\'; }

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void Layout();

    HWND window_ = nullptr;
    HWND progressBar_ = nullptr;
    std::unique_ptr<TEdgeBrowserWindow> browserWindow_;
    std::unique_ptr<TBrowserForm> form_;
};

}  // namespace vellum
