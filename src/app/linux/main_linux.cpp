// The Linux runtime's entry: the same startup as on Windows (GTK dialogs), the single-instance
// rule on a lock file, then the main window and the GTK main loop.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/forms/require_password_form.h"
#include "app/linux/main_window_gtk.h"
#include "app/linux/unhandled_error_gtk.h"
#include "app/startup/load_application.h"
#include "app/startup/load_preview.h"
#include "app/startup/startup_messages.h"
#include "core/styles/style_manager.h"
#include "core/styles/styles_utils.h"
#include "core/system/own_executable.h"
#include "platform/gtk/glib_ui_queue.h"
#include "platform/gtk/gtk_style_service.h"
#include "platform/posix/main_thread_queue.h"
#include "platform/posix/single_instance_lock.h"
#include "platform/posix/xdg_data_home.h"

namespace vellum {
namespace {

// What still reaches std::terminate gets the report too, rather than a silent abort.
[[noreturn]] void ReportTerminate() {
    if (const std::exception_ptr error = std::current_exception()) ReportUnhandledError(error);
    std::abort();
}

TStartupServices LinuxStartupServices(const std::vector<std::string>& arguments) {
    TStartupServices services;
    services.Executable = &RunningExecutable();
    services.Arguments = arguments;
    services.ShowDialog = ShowStartupDialog;
    services.LocalizedMessage = GetLocalizedMessage;
    services.ExitProcess = [](int code) { std::exit(code); };
    services.LocalAppDataDir = UserXdgDataHome;
    services.SetEnvironment = [](const std::string& name, const std::optional<std::string>& value) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    };
    // The styles the runtime carries and the native look; the host's dialogs take the active
    // style's colours, menus keep the native look.
    services.SelectStyle = [](const std::string& name) {
        RegisterRuntimeStylesOnce();
        return StyleManager().TrySetStyle(name);
    };
    TStylesUtils::ErrorBox() = [](const std::string& message) {
        ShowStartupDialog(message, TMsgDlgType::mtError, {TMsgDlgBtn::mbClose}, {}, "Error");
    };
    // WebKitGTK is a library the runtime is linked with: when it is missing the program does
    // not start at all, so there is nothing to check or install here.
    services.CheckEdgeIsInstalled = [](const std::string&) { return true; };
    services.RunInstallationFlow = [] {};
    services.ShowPasswordPrompt = ShowRequirePasswordForm;
    services.PathDelimiter = '/';
    services.BrowserFolderName = "WebKit";
    services.UsesLoaderLibrary = false;
    return services;
}

int RunVellumRuntime(int argc, char** argv) {
    std::set_terminate(ReportTerminate);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // GTK's own options are not ours to take: the command line is the app's (an ID and an
    // address at most), so GTK is initialised without it.
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fputs("vellum-runtime: cannot open the display\n", stderr);
        return 1;
    }
    TGLibUiQueue uiQueue(ReportUnhandledError);
    InstallMainThreadUiQueue(uiQueue);

    // Before the first dialog, so that every host window wears the style once it is chosen.
    TGtkStyleService styles;
    TStartupServices services = LinuxStartupServices(arguments);
    TSingleInstanceLock instanceLock;  // held until the process ends
    try {
        const std::optional<TPreviewProject> preview = LoadApplicationOrPreview(services, arguments);
        const TStartupState& state = StartupState();
        if (!preview && !state.AppSettings->ReadBool("App", "AllowInstances", false)) {
            const auto outcome = instanceLock.Acquire(SingleInstanceLockPath(state.AppDataDir));
            // A lock that cannot be taken at all lets the start go on, as a failed mutex does.
            if (outcome == TSingleInstanceLock::TOutcome::HeldElsewhere &&
                !IsSecondWindowCommandLine(arguments, state.AppID))
                return 0;
        }
        TMainWindowGtk mainWindow(state, arguments, &styles);
        if (preview) mainWindow.SetPreview(*preview);
        mainWindow.Show();
        if (!mainWindow.Closed()) gtk_main();
    } catch (...) {
        ReportUnhandledError(std::current_exception());
    }
    return 0;
}

}  // namespace
}  // namespace vellum

int main(int argc, char** argv) {
    return vellum::RunVellumRuntime(argc, argv);
}
