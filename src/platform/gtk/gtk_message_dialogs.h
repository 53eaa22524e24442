#pragma once

#include <gtk/gtk.h>

#include <string>

#include "bridge/services/dialog_service.h"

namespace vellum {

// The host's message boxes on GTK: a modal message dialog with an OK button, owned by the
// active window. It runs a main loop of its own until closed, so it is called from the bridge's
// queued dispatch on the GTK main thread, never inside an engine's signal.
class TGtkMessageDialogs final : public IDialogService {
public:
    // `title` heads every box (the app's name); `mainWindow` owns a box when no window is active.
    TGtkMessageDialogs(std::string title, GtkWindow* mainWindow);
    void ShowMessage(const std::string& text) override;

private:
    std::string title_;
    GtkWindow* mainWindow_;
};

}  // namespace vellum
