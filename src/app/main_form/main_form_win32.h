#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/browser_form/browser_form_win32.h"
#include "app/browser_form/preview_files.h"
#include "app/forms/rounded_corners.h"
#include "app/startup/load_preview.h"
#include "app/main_form/main_form_settings.h"
#include "bridge/browser_external_module.h"
#include "bridge/services/dialog_service.h"
#include "bridge/services/main_window_service.h"
#include "platform/win32/registry_service_win32.h"
#include "platform/win32/shell_service_win32.h"
#include "platform/win32/style_service_win32.h"
#include "platform/win32/window_class.h"

namespace vellum {

struct TStartupState;

// The application's top-level window: it embeds the browser form, wires it to the bridge,
// takes its size, place and frame from the settings, and leaves every close decision to the
// page ("vlm.events.onCloseQuery();").
class TMainForm final : public TRoundedCornerForm,
                        public IAppMainWindow,
                        public IDialogService,
                        private IWindowHandler {
public:
    TMainForm(const TStartupState& state, std::vector<std::string> arguments);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // Preview mode, before Show: the pages come from the project's folder, which is watched,
    // and the page reloads whenever a file in the project changes.
    void SetPreview(const TPreviewProject& project) { preview_ = project; }

    // Creates and shows the window; the message loop of the caller runs it.
    void Show();
    HWND Handle() const { return window_; }

    // What the bridge's window functions reach.
    bool StaysOnTop() const override;
    void SetStaysOnTop(bool onTop) override;
    TWindowState State() const override;
    void SetState(TWindowState state) override;
    void ShowAndBringToFront() override;
    void Hide() override;
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    TWindowBounds Bounds() const override;
    void SetBounds(const TWindowBounds& bounds) override;
    TBorderStyle BorderStyle() const override { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) override;

    void ShowMessage(const std::string& text) override;

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void AppCloseRequest();
    void DocumentTitleChanged(const std::string& title);
    void ApplyFrameAndPlacement();
    void FocusWindowAbovePage(int levels);

    const TStartupState& state_;
    std::vector<std::string> arguments_;
    TMainFormSettings settings_;
    HWND window_ = nullptr;
    int showCommand_ = SW_SHOWNORMAL;
    TBorderStyle borderStyle_ = TBorderStyle::Sizeable;

    std::optional<TPreviewProject> preview_;
    std::unique_ptr<TFolderWatch> previewWatch_;

    bool FCanClose = false;
    // The bridge's services, declared before the module so that they outlive it (the module
    // lets go of the notifications' click when it goes).
    std::unique_ptr<INotificationService> FNotifications;
    std::unique_ptr<TWin32ShellService> FShellService;
    std::unique_ptr<TWin32RegistryService> FRegistryService;
    std::unique_ptr<TWin32StyleService> FStyleService;
    int styleListener_ = 0;  // the frame follows every change of the theme
    std::unique_ptr<IFileDialogService> FFileDialogs;
    std::unique_ptr<TBrowserFormWindow> FBrowserForm;
    std::unique_ptr<TBrowserExternalModule> FBrowserExternalModule;
};

// The style bits of a frame kind (0 none to 5 sizeable tool window); other values are handed
// to the window unchanged as if sizeable.
void FrameStyles(int frameKind, DWORD& style, DWORD& exStyle);

}  // namespace vellum
