// The runtime's entry: startup, the single-instance rule, then the main window and its loop.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/forms/edge_installer_form.h"
#include "app/forms/require_password_form.h"
#include "app/main_form/main_form_win32.h"
#include "app/startup/edge_installation.h"
#include "app/startup/load_application.h"
#include "app/startup/load_preview.h"
#include "app/startup/startup_messages.h"
#include "browser/webview2_loader.h"
#include "core/errors.h"
#include "core/styles/style_manager.h"
#include "core/styles/styles_utils.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "platform/sys_utils.h"
#include "platform/win32/style_resources_win32.h"
#include "platform/win32/unhandled_error.h"
#include "platform/win32/wide_string.h"

namespace vellum {
namespace {

std::string Narrow(const wchar_t* text) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), wcslen(text)));
}

std::vector<std::string> CommandLineArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i) result.push_back(Narrow(arguments[i]));
    LocalFree(arguments);
    return result;
}

// The program-wide report of an error nothing handled, then exit code 1.
[[noreturn]] void ReportUnhandledError(const char* className, const std::string& message) {
    const std::string module = PathToUtf8(RunningExecutable().Path().filename());
    const std::string end = !message.empty() && message.back() == '.' ? "" : ".";
    char address[32];
    std::snprintf(address, sizeof address, "%016llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))));
    const std::string text = std::string("Exception ") + className + " in module " + module + " at " + address +
                             ".\r\n" + message + end + "\r\n";
    MessageBoxW(nullptr, Wide(text).c_str(), L"Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    std::exit(1);
}

// The same report for an error of any kind: our class name, else the C++ type's.
[[noreturn]] void ReportUnhandledError(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EVellumError& raised) {
        ReportUnhandledError(raised.ClassName(), raised.what());
    } catch (const std::exception& raised) {
        ReportUnhandledError(typeid(raised).name(), raised.what());
    } catch (...) {
        ReportUnhandledError("unknown", "Unknown error");
    }
}

// What still reaches std::terminate (an error leaving a destructor or a callback that no
// guard covers) gets the report too, rather than the runtime library's silent abort.
[[noreturn]] void ReportTerminate() {
    if (const std::exception_ptr error = std::current_exception()) ReportUnhandledError(error);
    std::abort();
}

TStartupServices WindowsStartupServices(const std::vector<std::string>& arguments) {
    TStartupServices services;
    services.Executable = &RunningExecutable();
    services.Arguments = arguments;
    services.ShowDialog = ShowStartupDialog;
    services.LocalizedMessage = GetLocalizedMessage;
    services.ExitProcess = [](int code) { std::exit(code); };
    services.LocalAppDataDir = [] { return TSysUtils::GetLocalAppDataDirPath(); };
    services.SetEnvironment = [](const std::string& name, const std::optional<std::string>& value) {
        SetEnvironmentVariableW(Wide(name).c_str(), value ? Wide(*value).c_str() : nullptr);
    };
    // The executable's styles and the native look; menus keep the native look whatever is
    // selected (they are drawn by the system, never by the themed painter).
    services.SelectStyle = [](const std::string& name) {
        RegisterExecutableStylesOnce();
        return StyleManager().TrySetStyle(name);
    };
    services.CheckEdgeIsInstalled = TSysUtils::CheckEdgeIsInstalled;
    services.ShowPasswordPrompt = ShowRequirePasswordForm;
    services.PathDelimiter = '\\';
    TStylesUtils::ErrorBox() = [](const std::string& message) {
        ShowStartupDialog(message, TMsgDlgType::mtError, {TMsgDlgBtn::mbClose}, {}, "Error");
    };
    return services;
}

}  // namespace

int RunVellumRuntime() {
    // The user-interface thread is a single-threaded COM apartment from the start: the browser
    // runtime is created and called only there, and the system's dialogs need it too.
    const HRESULT apartment = OleInitialize(nullptr);
    // Every error nothing handles ends in the report: at startup, in the main window's creation,
    // in a window procedure or queued work (handed over by their guards), and anywhere else.
    SetUnhandledErrorReport(ReportUnhandledError);
    std::set_terminate(ReportTerminate);
    MaskFloatingPointExceptions();
    const std::vector<std::string> arguments = CommandLineArguments();
    TStartupServices services = WindowsStartupServices(arguments);
    TInstallationServices installation;
    installation.DeleteDirectory = TSysUtils::DeleteDirectory;
    installation.FileExists = [](const std::string& path) {
        return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    installation.DeleteFile = [](const std::string& path) { DeleteFileW(Wide(path).c_str()); };
    installation.ShowBusyWindow = [] {
        const TAppSettings& settings = *StartupState().AppSettings;
        return ShowEdgeInstallerForm(
            settings.ReadInteger("App", "InstallFormColor", static_cast<std::int32_t>(0xFF00001A)),
            settings.ReadInteger("App", "InstallIndicatorColor", 1),
            settings.ReadInteger("App", "InstallIndicatorType", 0));
    };
    installation.ShellExecAsAdminAndWait = TSysUtils::ShellExecAsAdminAndWait;
    installation.ShellExec = TSysUtils::ShellExec;
    installation.OwnExecutablePath = PathToUtf8(RunningExecutable().Path());
    services.RunInstallationFlow = [&] { RunEdgeInstallationFlow(services, installation); };

    int exitCode = 0;
    try {
        const std::optional<TPreviewProject> preview = LoadApplicationOrPreview(services, arguments);

        const TStartupState& state = StartupState();
        TWebView2Loader::Instance().SetLoaderLibraryPath(state.LoaderLibraryPath);
        if (!preview && !state.AppSettings->ReadBool("App", "AllowInstances", false)) {
            // Kept open until the process ends.
            CreateMutexW(nullptr, FALSE, Wide(state.AppID).c_str());
            if (GetLastError() == ERROR_ALREADY_EXISTS && !IsSecondWindowCommandLine(arguments, state.AppID)) return 0;
        }
        TMainForm mainForm(state, arguments);
        if (preview) mainForm.SetPreview(*preview);
        mainForm.Show();
        if (mainForm.Handle() == nullptr) return 0;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode = static_cast<int>(message.wParam);
    } catch (...) {
        // The main window (and with it the browser) is gone by now: only the report is shown.
        ReportUnhandledError(std::current_exception());
    }
    // The browser and everything else of COM is released with the main window, above.
    if (SUCCEEDED(apartment)) OleUninitialize();
    return exitCode;
}

}  // namespace vellum

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return vellum::RunVellumRuntime();
}
