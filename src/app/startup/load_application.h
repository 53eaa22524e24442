#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/startup/startup_messages.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/settings/app_settings.h"
#include "core/system/own_executable.h"

namespace vellum {

// What startup needs of the world around it. The program entry fills it with the real
// operating system; tests fill it with fakes that record what was asked.
struct TStartupServices {
    const IOwnExecutable* Executable = nullptr;
    std::vector<std::string> Arguments;  // after the executable's own path
    std::function<int(const std::string&, TMsgDlgType, const std::vector<TMsgDlgBtn>&, const std::vector<std::string>&,
                      const std::string&)>
        ShowDialog;
    std::function<std::string(int)> LocalizedMessage;
    std::function<void(int)> ExitProcess;          // ends the process; must not return
    std::function<std::string()> LocalAppDataDir;  // with a trailing delimiter
    std::function<void(const std::string&, const std::optional<std::string>&)> SetEnvironment;
    std::function<bool(const std::string&)> SelectStyle;  // false: no style of that name
    std::function<bool(const std::string&)> CheckEdgeIsInstalled;
    std::function<void()> RunInstallationFlow;  // never returns
    // Shows the password prompt; the modal result (1 when the password was typed).
    std::function<int(const std::string& caption, const std::string& password)> ShowPasswordPrompt;
    char PathDelimiter = '\\';
    // The browser's folder inside the data folder, and whether the engine is reached through
    // the loader library copied there (WebView2). WebKitGTK is a library the runtime links, so
    // the Linux runtime keeps only the engine's data in its folder and copies nothing.
    std::string BrowserFolderName = "Win64";
    bool UsesLoaderLibrary = true;
};

// The process-wide startup state: filled by LoadApplication, read-only afterwards, freed at
// process end in this order: the archive reader, the executable utilities, the settings,
// then the strings.
struct TStartupState {
    ~TStartupState();
    void Reset();

    std::unique_ptr<TExeUtils> ExeUtils;
    std::unique_ptr<TMappedFile> ArchiveBytes;  // the archive where it lies in the executable
    std::unique_ptr<TZipArchive> AppArchive;
    std::unique_ptr<TAppSettings> AppSettings;
    std::string AppID, AppName, AppDirName, AppIndexHtml, AppDataDir, BrowserDataDir, LoaderLibraryPath;
};

TStartupState& StartupState();

// Creates the data folder's path as a whole; EFileError when it cannot.
void CreateStartupFolder(const std::string& path);

// The browser's environment from the data folder and the settings, read by the engine when it
// is created: the user-data folder, the extra arguments (the built-in ones unless the settings
// give some), and no browser folder or release channel of the user's.
void SetBrowserEnvironment(TStartupServices& Services, const TStartupState& state);

// Startup steps 1 to 18; returns with StartupState() filled, or ends the process through
// Services.ExitProcess. Errors it does not handle (a damaged archive, a folder that cannot be
// created) propagate to the caller's unhandled-error report.
void LoadApplication(TStartupServices& Services);

// The default argument list for the browser when WebviewArguments is blank.
extern const char* const kDefaultWebviewArguments;

// True when the command line is exactly (AppID, one more argument): such a copy passes the
// single-instance rule.
bool IsSecondWindowCommandLine(const std::vector<std::string>& arguments, const std::string& appId);

}  // namespace vellum
