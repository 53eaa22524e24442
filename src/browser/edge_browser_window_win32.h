#pragma once

#include <windows.h>

#include <memory>

#include "browser/edge_browser.h"
#include "platform/win32/window_class.h"

namespace vellum {

// The browser control's child window on Windows: it reports size, focus, visibility and
// system commands to the control and answers the control's questions about the window.
class TEdgeBrowserWindow final : public IBrowserWindow, private IWindowHandler {
public:
    explicit TEdgeBrowserWindow(IUiQueue& uiQueue = MainThreadUiQueue());
    ~TEdgeBrowserWindow() override;
    TEdgeBrowserWindow(const TEdgeBrowserWindow&) = delete;
    TEdgeBrowserWindow& operator=(const TEdgeBrowserWindow&) = delete;

    TEdgeBrowser& Browser() { return *browser_; }
    HWND Handle() const { return window_; }

    // Places the control in `parent` (creating its window first), which starts the browser.
    void SetParent(HWND parent, const RECT& bounds);
    // Destroys and creates the window again, as a change of window style would.
    void RecreateWindow();

    HWND WindowHandle() override;
    RECT ClientRect() override;
    void FocusWindow() override;
    void SelectNextControl(bool forward) override;
    bool IsShortCut(const TKeyMessage& message) override;

private:
    void CreateWindowIn(HWND parent, const RECT& bounds);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    std::unique_ptr<TEdgeBrowser> browser_;
};

}  // namespace vellum
