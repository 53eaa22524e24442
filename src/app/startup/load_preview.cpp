#include "app/startup/load_preview.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/startup/data_folder_name.h"
#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "core/system/own_executable.h"
#include "core/text/text_decoding.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

constexpr const char* kSection = "App";
// A settings file is a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kLargestSettingsFile = 1 << 20;

[[noreturn]] void Refuse(TStartupServices& Services, const std::string& message) {
    std::fprintf(stderr, "vellum-runtime: cannot preview: %s\n", message.c_str());
    Services.ExitProcess(1);
    std::abort();  // ExitProcess does not return
}

// The settings file's bytes. Only a regular file is opened: a named pipe would wait forever.
std::string ReadSettingsFile(TStartupServices& Services, const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) Refuse(Services, "the folder holds no vlm.ini: " + PathToUtf8(file));
    if (!std::filesystem::is_regular_file(status)) Refuse(Services, PathToUtf8(file) + " is not a regular file");
    if (std::filesystem::file_size(file, error) > kLargestSettingsFile || error)
        Refuse(Services, PathToUtf8(file) + " is too large to be a settings file");
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open()) Refuse(Services, "cannot read " + PathToUtf8(file));
    return bytes;
}

}  // namespace

std::optional<std::string> PreviewFolderArgument(const std::vector<std::string>& arguments) {
    if (arguments.size() == 2 && arguments[0] == "--preview" && !arguments[1].empty()) return arguments[1];
    return std::nullopt;
}

TPreviewProject LoadPreview(TStartupServices& Services, const std::string& projectDir) {
    TStartupState& state = StartupState();
    state.ExeUtils = std::make_unique<TExeUtils>(*Services.Executable);
    state.AppArchive.reset();  // unassigned: preview mode
    state.AppSettings = std::make_unique<TAppSettings>();

    const std::filesystem::path project = std::filesystem::absolute(PathFromUtf8(projectDir)).lexically_normal();
    if (!std::filesystem::is_directory(project)) Refuse(Services, "'" + projectDir + "' is not a folder");
    state.AppSettings->LoadFromBytes(ReadSettingsFile(Services, project / "vlm.ini"));

    state.AppID = state.AppSettings->ReadString(kSection, "ID", "");
    state.AppName = state.AppSettings->ReadString(kSection, "Name", "");
    state.AppDirName = state.AppSettings->ReadString(kSection, "DirName", "");
    state.AppIndexHtml = state.AppSettings->ReadString(kSection, "IndexHtml", "index.html");
    if (const auto problem = DataFolderNameProblem(state.AppID)) Refuse(Services, "ID " + *problem);
    if (state.AppName.empty()) Refuse(Services, "Name is missing or empty");
    if (DataFolderNameProblem(state.AppDirName)) Refuse(Services, "DirName must name one folder of the project");
    const std::filesystem::path pages = project / PathFromUtf8(state.AppDirName);
    if (!std::filesystem::is_directory(pages)) Refuse(Services, "the project holds no folder " + PathToUtf8(pages));

    const std::string theme = state.AppSettings->ReadString(kSection, "Theme", "Windows");
    if (theme != "Windows" && !Services.SelectStyle(theme))
        Services.ShowDialog("Style '" + theme + "' not found", TMsgDlgType::mtError, {TMsgDlgBtn::mbClose}, {},
                            "Error");

    const std::string delimiter(1, Services.PathDelimiter);
    state.AppDataDir = Services.LocalAppDataDir() + state.AppID + ".preview" + delimiter;
    CreateStartupFolder(state.AppDataDir);
    state.BrowserDataDir = state.AppDataDir + Services.BrowserFolderName + delimiter;
    CreateStartupFolder(state.BrowserDataDir);
    if (Services.UsesLoaderLibrary) {
        // No archive to take the loader library from: the one beside the runtime is copied.
        state.LoaderLibraryPath = state.BrowserDataDir + "WebView2LoaderWin64.dll";
        const std::filesystem::path source = Services.Executable->Path().parent_path() / "WebView2LoaderWin64.dll";
        std::error_code error;
        std::filesystem::copy_file(source, PathFromUtf8(state.LoaderLibraryPath),
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) Refuse(Services, "no loader library beside the runtime: " + PathToUtf8(source));
    }

    SetBrowserEnvironment(Services, state);

    // Nothing to install from: a missing engine is reported and the preview ends.
    if (!Services.CheckEdgeIsInstalled(state.LoaderLibraryPath)) {
        Services.ShowDialog(Services.LocalizedMessage(6), TMsgDlgType::mtError, {TMsgDlgBtn::mbYes},
                            {Services.LocalizedMessage(3)}, Services.LocalizedMessage(1));
        Services.ExitProcess(0);
    }
    return {PathToUtf8(project), PathToUtf8(pages)};
}

std::optional<TPreviewProject> LoadApplicationOrPreview(TStartupServices& Services,
                                                        const std::vector<std::string>& arguments) {
    const std::optional<std::string> previewFolder = PreviewFolderArgument(arguments);
    if (previewFolder && !TExeUtils(RunningExecutable()).ExeHasAttachedStub())
        return LoadPreview(Services, *previewFolder);
    LoadApplication(Services);
    return std::nullopt;
}

}  // namespace vellum
