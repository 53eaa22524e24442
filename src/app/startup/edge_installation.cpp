#include "app/startup/edge_installation.h"

#include "core/stream/stream.h"
#include "core/text/utf.h"

namespace vellum {

void RunEdgeInstallationFlow(TStartupServices& startup, TInstallationServices& installation) {
    TStartupState& state = StartupState();
    const auto message = [&](int index) { return startup.LocalizedMessage(index); };
    const auto fail = [&](int index) {
        startup.ShowDialog(message(index), TMsgDlgType::mtError, {TMsgDlgBtn::mbYes}, {message(3)}, message(1));
        startup.ExitProcess(0);
    };

    // 1. Installation switched off: the application cannot run; the data folder stays.
    if (!state.AppSettings->ReadBool("App", "EdgeInstaller", true)) fail(6);

    // 2, 3. Ask; Cancel, Escape or closing the question declines.
    const int answer =
        startup.ShowDialog(message(7), TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbCancel},
                           {message(3), message(4)}, message(2));
    if (answer == mrCancel) {
        installation.DeleteDirectory(state.AppDataDir);
        fail(8);
    }

    // 4. The installer from the archive, unless one is already there.
    const std::string installer = state.AppDataDir + "WebView2Installer.exe";
    if (!installation.FileExists(installer)) {
        TFileStream file(PathFromUtf8(installer), TFileStream::TMode::Create);
        state.AppArchive->ExtractToStream("WebView2Installer.exe", file);
        file.Close();
    }

    // 5 to 7. The busy window, then the installer, elevated and silent.
    void* busyWindow = installation.ShowBusyWindow();
    installation.ShellExecAsAdminAndWait(busyWindow, installer, "/silent /install");

    // 8, 9. Restart when the runtime is there now; otherwise clean up and say so.
    if (startup.CheckEdgeIsInstalled(state.LoaderLibraryPath)) {
        if (installation.FileExists(installer)) installation.DeleteFile(installer);
        installation.ShellExec(installation.OwnExecutablePath, "");
        startup.ExitProcess(0);
    }
    installation.DeleteDirectory(state.AppDataDir);
    fail(9);
}

}  // namespace vellum
