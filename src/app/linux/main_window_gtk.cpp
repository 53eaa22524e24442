#include "app/linux/main_window_gtk.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "app/browser_form/page_trace.h"
#include "app/linux/runtime_icon.h"
#include "app/startup/load_application.h"
#include "bridge/page_event_scripts.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "core/system/own_executable.h"
#include "core/text/str_utils.h"
#include "core/text/utf.h"
#include "platform/trace_file.h"

namespace vellum {

namespace {

int Clamped(int value, int minimum, int maximum) {
    if (maximum > 0 && value > maximum) value = maximum;
    if (minimum > 0 && value < minimum) value = minimum;
    return value;
}

// The desktop: the area spanning every monitor.
GdkRectangle DesktopArea() {
    GdkRectangle area{0, 0, 0, 0};
    GdkDisplay* display = gdk_display_get_default();
    const int count = display != nullptr ? gdk_display_get_n_monitors(display) : 0;
    for (int i = 0; i < count; ++i) {
        GdkRectangle monitor;
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &monitor);
        if (i == 0)
            area = monitor;
        else
            gdk_rectangle_union(&area, &monitor, &area);
    }
    return area;
}

}  // namespace

TMainWindowGtk::TMainWindowGtk(const TStartupState& state, std::vector<std::string> arguments, IStyleService* styles)
    : state_(state),
      arguments_(std::move(arguments)),
      settings_(ReadMainFormSettings(*state.AppSettings)),
      styles_(styles) {}

TMainWindowGtk::~TMainWindowGtk() {
    FormClose();
    if (window_ != nullptr) {
        GtkWidget* window = window_;
        window_ = nullptr;
        gtk_widget_destroy(window);
    }
}

void TMainWindowGtk::SetPreview(const TPreviewProject& project) {
    preview_ = project;
}

// Often enough that a saved file shows at once, rarely enough to cost nothing noticeable.
constexpr unsigned kPreviewPollMilliseconds = 300;

int TMainWindowGtk::PollPreviewFolder(void* self) {
    auto& window = *static_cast<TMainWindowGtk*>(self);
    if (window.previewWatch_ && window.previewWatch_->Changed() && window.FBrowserForm)
        window.FBrowserForm->Form().Page().ExecuteScript(kPreviewReloadScript);
    return G_SOURCE_CONTINUE;
}

namespace {

// The runtime's icon as a picture, or nullptr when it cannot be read (the window manager's
// default shows then).
GdkPixbuf* RuntimeIcon() {
    const TEmbeddedBytes icon = RuntimeIconFile();
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GdkPixbuf* pixbuf = nullptr;
    if (gdk_pixbuf_loader_write(loader, icon.Data, icon.Size, nullptr) && gdk_pixbuf_loader_close(loader, nullptr)) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf != nullptr) g_object_ref(pixbuf);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return pixbuf;
}

}  // namespace

void TMainWindowGtk::Show() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    // Before the bridge exists: its tray icon shows the window's icon.
    if (GdkPixbuf* icon = RuntimeIcon()) {
        gtk_window_set_icon(GTK_WINDOW(window_), icon);
        g_object_unref(icon);
    }
    gtk_widget_set_name(window_, "TMainForm");
    // The X window's class names the app, as the window manager and tests find it.
    gtk_window_set_role(GTK_WINDOW(window_), "TMainForm");
    g_signal_connect(window_, "delete-event", G_CALLBACK(&TMainWindowGtk::OnDelete), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(&TMainWindowGtk::OnWindowState), this);
    g_signal_connect(window_, "destroy", G_CALLBACK(&TMainWindowGtk::OnDestroy), this);
    FormCreate();
    gtk_widget_show_all(window_);
    if (settings_.WindowOrder == 1) SetStaysOnTop(true);
}

void TMainWindowGtk::FormCreate() {
    FCanClose = false;
    TBridgeServices services;
    TLinuxServiceOptions options;
    options.AppName = state_.AppName;
    options.Arguments = arguments_;
    options.MainWindow = GTK_WINDOW(window_);
    options.Styles = styles_;
    // The window's one child: the menu bar (once a page sets one) above the browser.
    layout_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_container_add(GTK_CONTAINER(window_), layout_);
    options.MenuBarSlot = GTK_BOX(layout_);
    // With a trace, every menu built is written as GTK holds it, for the tests to read.
    if (const std::optional<std::filesystem::path> trace = TraceFilePath()) {
        menuTrace_ = std::make_unique<TPageTraceFile>(*trace);
        options.OnMenuBuilt = [this](const std::string& menu, const std::string& tree) {
            menuTrace_->Write("\"event\": \"menu\", \"menu\": " + TStrUtils::StringToJsonString(menu) +
                              ", \"tree\": " + TStrUtils::StringToJsonString(tree));
        };
    }
    FLinuxServices = std::make_unique<TLinuxBridgeServices>(std::move(options), MainThreadUiQueue());
    FLinuxServices->Fill(services);  // dialogs, file choosers, shell, notifications, registry, host
    services.FocusWindowAbovePage = [this](int) { ShowAndBringToFront(); };
    // Shown before the next request runs: what the page asks meanwhile waits behind the box.
    services.ReportError = [this](const std::exception& error) {
        GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                                GTK_BUTTONS_OK, "%s", error.what());
        gtk_window_set_title(GTK_WINDOW(box), "Error");
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    };
    FBrowserExternalModule = std::make_unique<TBrowserExternalModule>(std::move(services));
    FBrowserExternalModule->ExeZip = state_.AppArchive.get();

    FBrowserForm = std::make_unique<TBrowserFormGtk>(state_.BrowserDataDir);
    TBrowserForm& form = FBrowserForm->Form();
    gtk_box_pack_end(GTK_BOX(layout_), FBrowserForm->Widget(), TRUE, TRUE, 0);
    form.ExeZip = state_.AppArchive.get();
    form.IsRuntime = !preview_;
    form.AppDirName = state_.AppDirName;
    if (preview_) form.PreviewFolder = preview_->PagesDir;
    form.HandleRequests = true;
    form.RuntimeAppID = state_.AppID;
    form.WithExternal = true;
    form.AllowDebug = settings_.AllowDebug;
    form.AllowZoom = settings_.AllowZoom;
    form.AllowContextMenu = settings_.AllowContextMenu;

    // The form is the page's one receiver of events; the bridge takes its messages from it.
    TBrowserExternalModule* module = FBrowserExternalModule.get();
    form.OnPageMessage = [module](const TPageMessage& message) { module->EdgeBrowserWebMessageReceived(message); };
    form.OnPageTitleChanged = [this](const std::string& title) { DocumentTitleChanged(title); };

    module->MainForm = this;
    module->BrowserForm = &form.Page();
    module->ProjectINI = state_.AppSettings.get();
    module->OnAppCloseRequest = [this](TBrowserExternalModule*) { AppCloseRequest(); };

    if (state_.AppArchive) {
        TMemoryStream script;
        state_.AppArchive->ExtractToStream("vlm-webviewjs", script);
        form.WebviewJavascript = script.ToString();
    }
    gtk_window_set_title(GTK_WINDOW(window_), state_.AppName.c_str());
    gtk_window_set_default_size(GTK_WINDOW(window_), std::max(1, settings_.Width), std::max(1, settings_.Height));
    ApplySizeLimits();
    ApplyPlacementAndState();
    form.StartPageURL = ChooseStartPage(arguments_, state_.AppID, state_.AppIndexHtml);
    if (preview_) {
        previewWatch_ = std::make_unique<TFolderWatch>(PathFromUtf8(preview_->ProjectDir));
        previewPoll_ = g_timeout_add(kPreviewPollMilliseconds, &TMainWindowGtk::PollPreviewFolder, this);
    }
}

void TMainWindowGtk::ApplySizeLimits() {
    GdkGeometry limits{};
    int hints = 0;
    if (settings_.MaxWidth > 0 || settings_.MaxHeight > 0) {
        hints |= GDK_HINT_MAX_SIZE;
        limits.max_width = settings_.MaxWidth > 0 ? settings_.MaxWidth : G_MAXSHORT;
        limits.max_height = settings_.MaxHeight > 0 ? settings_.MaxHeight : G_MAXSHORT;
    }
    if (settings_.MinWidth > 0 || settings_.MinHeight > 0) {
        hints |= GDK_HINT_MIN_SIZE;
        limits.min_width = std::max(settings_.MinWidth, 1);
        limits.min_height = std::max(settings_.MinHeight, 1);
    }
    if (hints != 0) gtk_window_set_geometry_hints(GTK_WINDOW(window_), nullptr, &limits, static_cast<GdkWindowHints>(hints));
}

void TMainWindowGtk::ApplyPlacementAndState() {
    if (settings_.WindowPosition == 0) {
        const GdkRectangle desktop = DesktopArea();
        gtk_window_move(GTK_WINDOW(window_), desktop.x + (desktop.width - settings_.Width) / 2,
                        desktop.y + (desktop.height - settings_.Height) / 2);
    }
    // Any other value leaves the place to the window manager: no position is asked for, so
    // Top and Left do not show through, as on Windows.
    if (settings_.WindowStyle == 1) {
        FBrowserExternalModule->InFullscreen = true;
        ApplyFrame(TBorderStyle::None);
        gtk_window_maximize(GTK_WINDOW(window_));
    } else {
        ApplyFrame(BorderStyleFromSetting(settings_.WindowBorder));
        if (settings_.WindowState == 1) gtk_window_maximize(GTK_WINDOW(window_));
    }
}

void TMainWindowGtk::ApplyFrame(TBorderStyle style) {
    GtkWindow* window = GTK_WINDOW(window_);
    const bool sizeable = style == TBorderStyle::Sizeable || style == TBorderStyle::SizeToolWindow;
    const bool tool = style == TBorderStyle::ToolWindow || style == TBorderStyle::SizeToolWindow;
    gtk_window_set_decorated(window, style != TBorderStyle::None);
    gtk_window_set_resizable(window, sizeable || style == TBorderStyle::None);
    // The window manager reads the kind when the window is mapped; later changes keep it.
    if (!gtk_widget_get_mapped(window_))
        gtk_window_set_type_hint(window, tool                            ? GDK_WINDOW_TYPE_HINT_UTILITY
                                         : style == TBorderStyle::Dialog ? GDK_WINDOW_TYPE_HINT_DIALOG
                                                                         : GDK_WINDOW_TYPE_HINT_NORMAL);
    if (!sizeable && style != TBorderStyle::None) {
        // A fixed frame keeps the size the window has, not the page's natural size.
        const TWindowBounds bounds = Bounds();
        gtk_widget_set_size_request(FBrowserForm->Widget(), bounds.Width, bounds.Height);
    } else if (FBrowserForm) {
        gtk_widget_set_size_request(FBrowserForm->Widget(), -1, -1);
    }
    borderStyle_ = style;
}

int TMainWindowGtk::OnDelete(GtkWidget*, GdkEventAny*, void* self) {
    auto& window = *static_cast<TMainWindowGtk*>(self);
    if (!window.FormCloseQuery()) return TRUE;  // refused: the page decides
    window.FormClose();
    return FALSE;  // GTK destroys the window
}

int TMainWindowGtk::OnWindowState(GtkWidget*, GdkEventWindowState* event, void* self) {
    static_cast<TMainWindowGtk*>(self)->windowState_ = event->new_window_state;
    return FALSE;
}

void TMainWindowGtk::OnDestroy(GtkWidget*, void* self) {
    auto& window = *static_cast<TMainWindowGtk*>(self);
    window.FormClose();
    window.window_ = nullptr;
    if (gtk_main_level() > 0) gtk_main_quit();
}

bool TMainWindowGtk::FormCloseQuery() {
    const bool canClose = FCanClose;
    if (FBrowserForm) FBrowserForm->Form().Page().ExecuteScript(kCloseQueryScript);
    return canClose;
}

void TMainWindowGtk::FormClose() {
    if (previewPoll_ != 0) g_source_remove(previewPoll_);
    previewPoll_ = 0;
    FBrowserExternalModule.reset();
    FBrowserForm.reset();
    FLinuxServices.reset();
}

void TMainWindowGtk::AppCloseRequest() {
    FCanClose = true;
    // The request arrives inside the module's dispatch: the close runs once it has returned.
    MainThreadUiQueue().Post([this] {
        if (window_ != nullptr) gtk_window_close(GTK_WINDOW(window_));
    });
}

void TMainWindowGtk::DocumentTitleChanged(const std::string& title) {
    if (state_.AppSettings->ReadBool("App", "DynamicAppTitle", false))
        gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
}

void TMainWindowGtk::SetStaysOnTop(bool onTop) {
    gtk_window_set_keep_above(GTK_WINDOW(window_), onTop);
    onTop_ = onTop;
}

TWindowState TMainWindowGtk::State() const {
    if (windowState_ & GDK_WINDOW_STATE_ICONIFIED) return TWindowState::Minimized;
    if (windowState_ & GDK_WINDOW_STATE_MAXIMIZED) return TWindowState::Maximized;
    return TWindowState::Normal;
}

void TMainWindowGtk::SetState(TWindowState state) {
    if (state == State()) return;
    GtkWindow* window = GTK_WINDOW(window_);
    switch (state) {
        case TWindowState::Minimized: gtk_window_iconify(window); break;
        case TWindowState::Maximized:
            gtk_window_deiconify(window);
            gtk_window_maximize(window);
            break;
        default:
            gtk_window_deiconify(window);
            gtk_window_unmaximize(window);
            break;
    }
}

void TMainWindowGtk::ShowAndBringToFront() {
    gtk_widget_show(window_);
    gtk_window_present(GTK_WINDOW(window_));
}

void TMainWindowGtk::Hide() {
    gtk_widget_hide(window_);
}

std::string TMainWindowGtk::Caption() const {
    const char* title = gtk_window_get_title(GTK_WINDOW(window_));
    return title != nullptr ? title : "";
}

void TMainWindowGtk::SetCaption(const std::string& caption) {
    gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
}

TWindowBounds TMainWindowGtk::Bounds() const {
    TWindowBounds bounds;
    gtk_window_get_position(GTK_WINDOW(window_), &bounds.Left, &bounds.Top);
    gtk_window_get_size(GTK_WINDOW(window_), &bounds.Width, &bounds.Height);
    return bounds;
}

void TMainWindowGtk::SetBounds(const TWindowBounds& bounds) {
    const int width = std::max(1, Clamped(bounds.Width, settings_.MinWidth, settings_.MaxWidth));
    const int height = std::max(1, Clamped(bounds.Height, settings_.MinHeight, settings_.MaxHeight));
    if (!gtk_window_get_resizable(GTK_WINDOW(window_)) && FBrowserForm)
        gtk_widget_set_size_request(FBrowserForm->Widget(), width, height);
    gtk_window_move(GTK_WINDOW(window_), bounds.Left, bounds.Top);
    gtk_window_resize(GTK_WINDOW(window_), width, height);
}

void TMainWindowGtk::SetBorderStyle(TBorderStyle style) {
    ApplyFrame(style);
}

}  // namespace vellum
