#include "platform/gtk/linux_bridge_services.h"

#include "core/text/utf.h"
#include "platform/gtk/gtk_external_form.h"
#include "platform/gtk/gtk_file_dialogs.h"
#include "platform/gtk/gtk_message_dialogs.h"
#include "platform/gtk/libnotify_notifications.h"
#include "platform/gtk/x11_window_captions.h"
#include "platform/posix/process_launcher.h"
#include "platform/posix/registry_store_posix.h"
#include "platform/posix/shell_service_posix.h"
#include "platform/sys_utils.h"
#include "core/system/own_executable.h"

namespace vellum {

TLinuxBridgeServices::TLinuxBridgeServices(TLinuxServiceOptions options, IUiQueue& uiQueue)
    : options_(std::move(options)),
      launcher_(std::make_unique<TPosixProcessLauncher>()),
      dialogs_(std::make_unique<TGtkMessageDialogs>(options_.AppName, options_.MainWindow)),
      fileDialogs_(std::make_unique<TGtkFileDialogs>(options_.MainWindow)),
      shell_(std::make_unique<TPosixShellService>(*launcher_, X11WindowCaptions)),
      notifications_(std::make_unique<TLibnotifyNotifications>(options_.AppName, uiQueue)),
      registry_(std::make_unique<TFileRegistryService>(
          options_.RegistryStorePath.empty() ? TFileRegistryService::DefaultStorePath() : options_.RegistryStorePath)) {}

TLinuxBridgeServices::~TLinuxBridgeServices() = default;

void TLinuxBridgeServices::Fill(TBridgeServices& services) const {
    services.Dialogs = dialogs_.get();
    services.FileDialogs = fileDialogs_.get();
    services.Shell = shell_.get();
    services.Notifications = notifications_.get();
    services.Registry = registry_.get();
    services.Styles = options_.Styles;
    services.CreateExternalForm = [window = options_.MainWindow, slot = options_.MenuBarSlot,
                                   built = options_.OnMenuBuilt] {
        auto form = std::make_unique<TGtkExternalForm>(window, slot);
        if (built) {
            TGtkHostMenu& main = form->GtkMainMenu();
            TGtkHostMenu& tray = form->GtkTrayMenu();
            main.OnRebuilt = [built, &main] { built("main", DescribeMenuShell(main.Shell())); };
            tray.OnRebuilt = [built, &tray] { built("tray", DescribeMenuShell(tray.Shell())); };
        }
        return form;
    };
    services.Host.ExecutablePath = PathToUtf8(RunningExecutable().Path());
    services.Host.Arguments = options_.Arguments;
    services.Host.DecimalSeparator = [] { return TSysUtils::DecimalSeparator(); };
}

}  // namespace vellum
