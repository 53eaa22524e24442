#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bridge/browser_external_module.h"
#include "platform/ui_queue.h"

namespace vellum {

class IProcessLauncher;
class TLibnotifyNotifications;

struct TLinuxServiceOptions {
    std::string AppName;                 // heads message boxes; names the app's notifications
    std::vector<std::string> Arguments;  // the command line's arguments 1 to n
    GtkWindow* MainWindow = nullptr;     // owns dialogs when no window of the app is active
    std::string RegistryStorePath;       // empty: the user's store (TFileRegistryService)
    IStyleService* Styles = nullptr;     // the process's themes, which outlive the services
    GtkBox* MenuBarSlot = nullptr;       // the main window's box that takes the menu bar on top
    // Told the menu ("main" or "tray") and its items as read back from the widgets whenever a
    // menu has been built anew (the runtime's trace).
    std::function<void(const std::string& menu, const std::string& tree)> OnMenuBuilt;
};

// The bridge's services on a Linux desktop: GTK message boxes and file choosers, libnotify's
// notifications, the shell and the registry substitute. Create on the GTK main thread after
// gtk_init, and keep for as long as the bridge module that uses them.
class TLinuxBridgeServices {
public:
    TLinuxBridgeServices(TLinuxServiceOptions options, IUiQueue& uiQueue);
    ~TLinuxBridgeServices();
    TLinuxBridgeServices(const TLinuxBridgeServices&) = delete;
    TLinuxBridgeServices& operator=(const TLinuxBridgeServices&) = delete;

    // Sets the dialogs, file dialogs, shell, notifications, registry, themes, host information
    // and the external form (GTK menus and tray icon) of `services`; what else it holds (focus,
    // error report) stays.
    void Fill(TBridgeServices& services) const;

private:
    TLinuxServiceOptions options_;
    std::unique_ptr<IProcessLauncher> launcher_;
    std::unique_ptr<IDialogService> dialogs_;
    std::unique_ptr<IFileDialogService> fileDialogs_;
    std::unique_ptr<IShellService> shell_;
    std::unique_ptr<TLibnotifyNotifications> notifications_;
    std::unique_ptr<IRegistryService> registry_;
};

}  // namespace vellum
