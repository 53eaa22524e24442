#pragma once

#include <gtk/gtk.h>

#include <string>

#include "bridge/services/file_dialog_service.h"

namespace vellum {

// The host's file dialogs on GTK: file choosers for opening, saving and picking a folder. A
// chooser is made for each call; what must last between calls of the same dialog (the folder
// it ended in, after a cancel too, and the filter the user picked last) is kept here. Each is
// modal, owned by the active window, and runs a main loop of its own: call on the GTK main
// thread from the bridge's queued dispatch. Only local files are offered.
class TGtkFileDialogs final : public IFileDialogService {
public:
    // `mainWindow` owns a dialog when no window of the app is active.
    explicit TGtkFileDialogs(GtkWindow* mainWindow = nullptr) : mainWindow_(mainWindow) {}

    std::string OpenFile(const TFileDialogRequest& request) override;
    std::string SaveFile(const TFileDialogRequest& request, bool overwritePrompt) override;
    std::string SelectFolder(const std::string& title) override;

    // What one dialog carries from call to call.
    struct TMemory {
        std::string Folder;        // the folder the next call starts in; empty: GTK's choice
        unsigned FilterIndex = 0;  // 1-based index of the filter picked last; 0: none yet
    };

private:
    GtkWindow* mainWindow_;
    TMemory open_, save_, folder_;
};

// A file mask ("*.txt") as a GTK pattern that matches without regard to letter case, as masks
// do on Windows ("*.[tT][xX][tT]"); "*.*" matches every name, also those without a dot.
std::string CaseBlindPattern(const std::string& mask);

}  // namespace vellum
