#include "app/startup/load_application.h"

#include <filesystem>

#include "app/startup/data_folder_name.h"
#include "core/archive/calculations.h"
#include "core/errors.h"
#include "core/text/text_decoding.h"
#include "core/text/utf.h"
#include "platform/process_control.h"

namespace vellum {

const char* const kDefaultWebviewArguments =
    "--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity "
    "--enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required";

namespace {

constexpr const char* kSection = "App";

// Copies the loader library out of the archive into the data folder. It is written beside its
// place and renamed when whole: a copy cut short (a full disk, a kill) must not stay there
// looking like the library, since later starts copy only a missing one. Each process writes a
// copy of its own, because starts of the same app run these steps at the same time before the
// single-instance rule ends all but one; when another start has placed its copy first (and
// may already have it loaded, which keeps a rename from replacing it), that one is kept.
void PlaceLoaderLibrary(const TStartupState& state) {
    const std::filesystem::path target = PathFromUtf8(state.LoaderLibraryPath);
    const std::filesystem::path partial =
        PathFromUtf8(state.LoaderLibraryPath + "." + std::to_string(CurrentProcessId()) + ".part");
    try {
        TFileStream loader(partial, TFileStream::TMode::Create);
        state.AppArchive->ExtractToStream("WebView2LoaderWin64.dll", loader);
        loader.Close();
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
    std::error_code renameError;
    std::filesystem::rename(partial, target, renameError);
    if (!renameError) return;
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    if (!std::filesystem::is_regular_file(target, ignored))
        throw EFileError("Cannot place the loader library \"" + state.LoaderLibraryPath + "\". " +
                         renameError.message());
}

}  // namespace

void CreateStartupFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(path), error);
    if (error || !std::filesystem::is_directory(PathFromUtf8(path)))
        throw EFileError("Cannot create folder \"" + path + "\". " + error.message());
}

void SetBrowserEnvironment(TStartupServices& Services, const TStartupState& state) {
    Services.SetEnvironment("WEBVIEW2_USER_DATA_FOLDER", state.BrowserDataDir);
    const std::string arguments = state.AppSettings->ReadString(kSection, "WebviewArguments", "");
    Services.SetEnvironment("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
                            TrimText(arguments).empty() ? std::string(kDefaultWebviewArguments) : arguments);
    Services.SetEnvironment("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", std::nullopt);
    Services.SetEnvironment("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", std::nullopt);
}

TStartupState::~TStartupState() {
    Reset();
}

void TStartupState::Reset() {
    AppArchive.reset();
    ArchiveBytes.reset();
    ExeUtils.reset();
    AppSettings.reset();
    AppID.clear(), AppName.clear(), AppDirName.clear(), AppIndexHtml.clear(), BrowserDataDir.clear(),
        AppDataDir.clear(), LoaderLibraryPath.clear();
}

TStartupState& StartupState() {
    static TStartupState state;
    return state;
}

bool IsSecondWindowCommandLine(const std::vector<std::string>& arguments, const std::string& appId) {
    return arguments.size() == 2 && arguments[0] == appId;
}

void LoadApplication(TStartupServices& Services) {
    TStartupState& state = StartupState();
    const auto message = [&](int index) { return Services.LocalizedMessage(index); };

    // 1. The executable utilities, the archive reader and empty settings.
    state.ExeUtils = std::make_unique<TExeUtils>(*Services.Executable);
    state.AppArchive = std::make_unique<TZipArchive>();
    state.AppSettings = std::make_unique<TAppSettings>();

    // 2. No archive: say so in the user's language.
    if (!state.ExeUtils->ExeHasAttachedStub()) {
        Services.ShowDialog(message(5), TMsgDlgType::mtError, {TMsgDlgBtn::mbYes}, {message(3)}, message(1));
        Services.ExitProcess(0);
    }

    // 3, 4. The archive, mapped where it lies (entries are read from it on demand, so a large
    // app costs no memory for what it does not show) and opened with the archive password.
    state.AppArchive->SetPassword(ArchivePassword());
    state.ArchiveBytes = state.ExeUtils->MapZipFromExe();
    state.AppArchive->Open(*state.ArchiveBytes);

    // 5. The settings; a missing "vlm.ini" leaves them empty.
    TMemoryStream settingsBytes;
    state.AppArchive->ExtractToStream("vlm.ini", settingsBytes);
    state.AppSettings->LoadFromBytes(settingsBytes.ToString());

    // 6, 7. The identity; incomplete, the start ends without a word. So does an ID that is not
    // one plain folder name: the data folder built from it would be the shared local data
    // folder, its parent or another place, which a failed installation would delete.
    state.AppID = state.AppSettings->ReadString(kSection, "ID", "");
    state.AppName = state.AppSettings->ReadString(kSection, "Name", "");
    state.AppDirName = state.AppSettings->ReadString(kSection, "DirName", "");
    state.AppIndexHtml = state.AppSettings->ReadString(kSection, "IndexHtml", "index.html");
    if (DataFolderNameProblem(state.AppID) || state.AppName.empty() || state.AppDirName.empty())
        Services.ExitProcess(0);

    // 8. The visual style; "Windows" (exactly) keeps the native look.
    const std::string theme = state.AppSettings->ReadString(kSection, "Theme", "Windows");
    if (theme != "Windows" && !Services.SelectStyle(theme))
        Services.ShowDialog("Style '" + theme + "' not found", TMsgDlgType::mtError, {TMsgDlgBtn::mbClose}, {},
                            "Error");

    // 9 to 11. The data folder, the browser's folder and the loader library, extracted only
    // when its file is missing.
    const std::string delimiter(1, Services.PathDelimiter);
    state.AppDataDir = Services.LocalAppDataDir() + state.AppID + delimiter;
    CreateStartupFolder(state.AppDataDir);
    state.BrowserDataDir = state.AppDataDir + Services.BrowserFolderName + delimiter;
    CreateStartupFolder(state.BrowserDataDir);
    if (Services.UsesLoaderLibrary) {
        state.LoaderLibraryPath = state.BrowserDataDir + "WebView2LoaderWin64.dll";
        if (!std::filesystem::exists(PathFromUtf8(state.LoaderLibraryPath))) PlaceLoaderLibrary(state);
    }

    // 12 to 14. The browser's environment.
    SetBrowserEnvironment(Services, state);

    // 15. The browser runtime; when missing, the installation flow takes over for good.
    if (!Services.CheckEdgeIsInstalled(state.LoaderLibraryPath)) {
        Services.RunInstallationFlow();
        Services.ExitProcess(0);
    }

    // 16, 17. Copies the application starts itself skip the password gate.
    if (!Services.Arguments.empty() && Services.Arguments[0] == state.AppID) return;
    const std::string password = state.AppSettings->ReadString(kSection, "Password", "");
    if (!password.empty() && Services.ShowPasswordPrompt(state.AppName, password) != mrOk) Services.ExitProcess(0);
}

}  // namespace vellum
