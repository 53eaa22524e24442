#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/browser_form/preview_files.h"
#include "app/linux/browser_form_gtk.h"
#include "app/startup/load_preview.h"
#include "app/main_form/main_form_settings.h"
#include "bridge/browser_external_module.h"
#include "bridge/services/main_window_service.h"
#include "platform/gtk/linux_bridge_services.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkEventWindowState GdkEventWindowState;
typedef struct _GdkEventAny GdkEventAny;

namespace vellum {

struct TStartupState;
class TPageTraceFile;

// The application's top-level window on Linux: a GTK window filled by the browser form, wired
// to the bridge, shaped by the settings (size, place, frame, state, on top, title), and leaving
// every close decision to the page ("vlm.events.onCloseQuery();"). Lives on the GTK main thread.
class TMainWindowGtk final : public IAppMainWindow {
public:
    // `styles`: the process's themes for the bridge (none: its theme functions fail).
    TMainWindowGtk(const TStartupState& state, std::vector<std::string> arguments, IStyleService* styles = nullptr);
    ~TMainWindowGtk() override;
    TMainWindowGtk(const TMainWindowGtk&) = delete;
    TMainWindowGtk& operator=(const TMainWindowGtk&) = delete;

    // Preview mode, before Show: the pages come from the project's folder, which is watched,
    // and the page reloads whenever a file in the project changes.
    void SetPreview(const TPreviewProject& project);

    // Creates and shows the window; the caller's main loop runs it and ends when it is gone.
    void Show();
    bool Closed() const { return window_ == nullptr; }

    bool StaysOnTop() const override { return onTop_; }
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

private:
    static int OnDelete(GtkWidget* widget, GdkEventAny* event, void* self);
    static int OnWindowState(GtkWidget* widget, GdkEventWindowState* event, void* self);
    static void OnDestroy(GtkWidget* widget, void* self);
    static int PollPreviewFolder(void* self);
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void AppCloseRequest();
    void DocumentTitleChanged(const std::string& title);
    void ApplyFrame(TBorderStyle style);
    void ApplySizeLimits();
    void ApplyPlacementAndState();

    const TStartupState& state_;
    std::vector<std::string> arguments_;
    TMainFormSettings settings_;
    IStyleService* styles_;
    GtkWidget* window_ = nullptr;
    GtkWidget* layout_ = nullptr;  // the window's box: menu bar, then the browser
    TBorderStyle borderStyle_ = TBorderStyle::Sizeable;
    bool onTop_ = false;
    unsigned windowState_ = 0;  // the last GdkWindowState the window manager reported

    std::optional<TPreviewProject> preview_;
    std::unique_ptr<TFolderWatch> previewWatch_;
    unsigned previewPoll_ = 0;  // the GLib source of the folder poll

    bool FCanClose = false;
    std::unique_ptr<TPageTraceFile> menuTrace_;  // set when the runtime writes a trace
    // The bridge's desktop services, declared before the module so that they outlive it.
    std::unique_ptr<TLinuxBridgeServices> FLinuxServices;
    std::unique_ptr<TBrowserFormGtk> FBrowserForm;
    std::unique_ptr<TBrowserExternalModule> FBrowserExternalModule;
};

}  // namespace vellum
