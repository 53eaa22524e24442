// The startup sequence against fakes of the world around it.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/startup/data_folder_name.h"
#include "app/startup/edge_installation.h"
#include "app/startup/load_application.h"
#include "app/startup/startup_messages.h"
#include "core/archive/calculations.h"
#include "core/archive/pe_image.h"
#include "core/errors.h"
#include "test_archives.h"

namespace vellum {
namespace {

using testing::BytesOf;

TEST(StartupMessages, PickTheUsersLanguageOrTheDefault) {
    struct TCase {
        const char* code;
        const char* title;
        const char* accept;
        const char* noArchive;
    };
    const TCase cases[] = {
        {"it", "Errore", "Accettare", "Questa non \xC3\xA8 un'applicazione Windows valida."},
        {"de", "Error", "Akzeptieren", "Dies ist keine g\xC3\xBCltige Windows-Anwendung."},
        {"zh", "\xE9\x94\x99\xE8\xAF\xAF", "\xE6\x8E\xA5\xE5\x8F\x97",
         "\xE8\xBF\x99\xE4\xB8\x8D\xE6\x98\xAF\xE6\x9C\x89\xE6\x95\x88\xE7\x9A\x84Windows\xE5\xBA\x94\xE7\x94\xA8\xE7"
         "\xA8\x8B\xE5\xBA\x8F\xE3\x80\x82"},
        {"pt", "Error", "Accept", "This is not a valid Windows application."},
        {"en", "Error", "Accept", "This is not a valid Windows application."},
        {"IT", "Error", "Accept", "This is not a valid Windows application."},  // codes compare exactly
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(GetLocalizedMessageFor(1, c.code), c.title);
        EXPECT_EQ(GetLocalizedMessageFor(3, c.code), c.accept);
        EXPECT_EQ(GetLocalizedMessageFor(5, c.code), c.noArchive);
    }
    EXPECT_EQ(GetLocalizedMessageFor(0, "fr"), "fr");
    EXPECT_EQ(GetLocalizedMessageFor(0, "pt"), "en");
    for (const int index : {10, -1}) {
        try {
            GetLocalizedMessage(index);
            FAIL() << index;
        } catch (const EVellumError& error) {
            EXPECT_STREQ(error.what(), "MessageIndex is out of range!");
        }
    }
}

TEST(StartupDialogLayout, FollowsTheEnumerationAndItsDefaultAndEscapeRules) {
    using B = TMsgDlgBtn;
    const auto yes = LayOutStartupDialog({B::mbYes}, {"Accettare"});
    ASSERT_EQ(yes.Buttons.size(), 1u);
    EXPECT_EQ(yes.Buttons[0].Caption, "Accettare");
    EXPECT_EQ(yes.Buttons[0].ModalResult, 6);
    EXPECT_EQ(yes.DefaultIndex, 0);
    EXPECT_EQ(yes.EscapeIndex, -1) << "with {Yes} Escape presses nothing";

    const auto question = LayOutStartupDialog({B::mbCancel, B::mbYes}, {"Accept", "Cancel it"});
    ASSERT_EQ(question.Buttons.size(), 2u);
    EXPECT_EQ(question.Buttons[0].Kind, B::mbYes) << "laid out in enumeration order";
    EXPECT_EQ(question.Buttons[1].Caption, "Cancel it");
    EXPECT_EQ(question.Buttons[1].ModalResult, 2);
    EXPECT_EQ(question.DefaultIndex, 0);
    EXPECT_EQ(question.EscapeIndex, 1);

    const auto mixed = LayOutStartupDialog({B::mbRetry, B::mbNo, B::mbClose}, {"First"});
    EXPECT_EQ(mixed.Buttons[0].Caption, "First");
    EXPECT_EQ(mixed.Buttons[1].Caption, "&Retry") << "later buttons keep their standard captions";
    EXPECT_EQ(mixed.DefaultIndex, 1) << "Retry when there is neither OK nor Yes";
    EXPECT_EQ(mixed.EscapeIndex, 0) << "No when there is no Cancel";
    EXPECT_EQ(LayOutStartupDialog({B::mbOK, B::mbYes}, {}).DefaultIndex, 1)
        << "OK wins over the Yes laid out before it";
    EXPECT_EQ(LayOutStartupDialog({B::mbClose}, {}).Buttons[0].ModalResult, mrClose);
}

struct TExit {
    int Code;
};

class TFakeExecutable final : public IOwnExecutable {
public:
    explicit TFakeExecutable(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return ComputePeImageEndOfFile(path_).value_or(0); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw TExit{0}; }

private:
    std::filesystem::path path_;
};

class LoadApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartupState().Reset();
        services.Executable = &executable;
        services.ShowDialog = [this](const std::string& text, TMsgDlgType kind, const std::vector<TMsgDlgBtn>& buttons,
                                     const std::vector<std::string>& captions, const std::string& title) {
            dialogs.push_back({text, kind, buttons, captions, title});
            return mrYes;
        };
        services.LocalizedMessage = [](int index) { return GetLocalizedMessageFor(index, "it"); };
        services.ExitProcess = [](int code) { throw TExit{code}; };
        services.LocalAppDataDir = [this] { return (dir / "local").string() + "/"; };
        services.SetEnvironment = [this](const std::string& name, const std::optional<std::string>& value) {
            environment[name] = value;
        };
        services.SelectStyle = [this](const std::string& name) {
            styles.push_back(name);
            return name == "windows";
        };
        services.CheckEdgeIsInstalled = [this](const std::string& path) {
            checkedLoader = path;
            return edgeInstalled;
        };
        services.RunInstallationFlow = [] { throw TExit{100}; };
        services.ShowPasswordPrompt = [this](const std::string& caption, const std::string& password) {
            prompts.push_back(caption + "|" + password);
            return promptResult;
        };
        services.PathDelimiter = '/';
    }
    void TearDown() override { StartupState().Reset(); }

    void Package(const std::string& settings, bool withSettings = true) {
        std::vector<testing::TArchiveFile> files;
        if (withSettings) files.push_back({"vlm.ini", BytesOf(settings)});
        files.push_back({"WebView2LoaderWin64.dll", BytesOf("loader bytes")});
        files.push_back({"app/index.html", BytesOf("<title>x</title>")});
        testing::TBytes exe = testing::MakePeImage({{0x400, 0x200}});
        const testing::TBytes zip = testing::MakeArchive(files, ArchivePassword());
        exe.insert(exe.end(), zip.begin(), zip.end());
        testing::WriteFile(exePath, exe);
    }

    int RunExpectingExit() {
        try {
            LoadApplication(services);
        } catch (const TExit& exit) {
            return exit.Code;
        }
        return -1;
    }

    struct TDialog {
        std::string Text;
        TMsgDlgType Kind;
        std::vector<TMsgDlgBtn> Buttons;
        std::vector<std::string> Captions;
        std::string Title;
    };

    testing::TTempDir dir;
    std::filesystem::path exePath = dir / "app.exe";
    TFakeExecutable executable{exePath};
    TStartupServices services;
    std::vector<TDialog> dialogs;
    std::map<std::string, std::optional<std::string>> environment;
    std::vector<std::string> styles, prompts;
    std::string checkedLoader;
    bool edgeInstalled = true;
    int promptResult = mrOk;
    const std::string identity = "[App]\nID=com.test.app\nName=Test App\nDirName=app\n";
};

TEST_F(LoadApplicationTest, WithoutArchiveSaysSoInTheUsersLanguage) {
    testing::WriteFile(exePath, testing::MakePeImage({{0x400, 0x200}}));
    EXPECT_EQ(RunExpectingExit(), 0);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].Text, "Questa non \xC3\xA8 un'applicazione Windows valida.");
    EXPECT_EQ(dialogs[0].Kind, TMsgDlgType::mtError);
    EXPECT_EQ(dialogs[0].Buttons, std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbYes});
    EXPECT_EQ(dialogs[0].Captions, std::vector<std::string>{"Accettare"});
    EXPECT_EQ(dialogs[0].Title, "Errore");
}

TEST_F(LoadApplicationTest, AnIncompleteIdentityEndsSilentlyBeforeAnyFolderExists) {
    for (const auto& [settings, withSettings] : std::vector<std::pair<std::string, bool>>{
             {"[App]\nID=x\nDirName=app\n", true}, {"[App]\nID=x\nName\nDirName=app\n", true}, {"", false}}) {
        SCOPED_TRACE(settings);
        Package(settings, withSettings);
        EXPECT_EQ(RunExpectingExit(), 0);
        EXPECT_TRUE(dialogs.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "local"));
    }
}

// The Linux runtime links its engine: its data folder gets the engine's folder and no copy
// of the Windows loader library, whatever the archive holds.
TEST_F(LoadApplicationTest, WithoutALoaderLibraryOnlyTheEnginesFolderIsMade) {
    Package(identity);
    services.BrowserFolderName = "WebKit";
    services.UsesLoaderLibrary = false;
    LoadApplication(services);
    const TStartupState& state = StartupState();
    EXPECT_EQ(state.AppDataDir, (dir / "local").string() + "/com.test.app/");
    EXPECT_EQ(state.BrowserDataDir, state.AppDataDir + "WebKit/");
    EXPECT_TRUE(std::filesystem::is_directory(state.BrowserDataDir));
    EXPECT_EQ(state.LoaderLibraryPath, "");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "local"))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
}

TEST_F(LoadApplicationTest, PreparesTheDataFolderLoaderAndEnvironment) {
    Package(identity + "WebviewArguments=   \n");
    LoadApplication(services);
    const TStartupState& state = StartupState();
    EXPECT_EQ(state.AppID, "com.test.app");
    EXPECT_EQ(state.AppName, "Test App");
    EXPECT_EQ(state.AppIndexHtml, "index.html");
    EXPECT_EQ(state.AppDataDir, (dir / "local").string() + "/com.test.app/");
    EXPECT_EQ(state.BrowserDataDir, state.AppDataDir + "Win64/");
    EXPECT_EQ(state.LoaderLibraryPath, state.BrowserDataDir + "WebView2LoaderWin64.dll");
    EXPECT_EQ(testing::ReadFile(state.LoaderLibraryPath), BytesOf("loader bytes"));
    EXPECT_EQ(checkedLoader, state.LoaderLibraryPath);
    EXPECT_EQ(environment["WEBVIEW2_USER_DATA_FOLDER"], state.BrowserDataDir);
    EXPECT_EQ(environment["WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"], std::string(kDefaultWebviewArguments));
    ASSERT_TRUE(environment.count("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"));
    EXPECT_FALSE(environment["WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"].has_value());
    ASSERT_TRUE(environment.count("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"));
    EXPECT_FALSE(environment["WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"].has_value());
    EXPECT_TRUE(styles.empty()) << "Windows selects no style";
    EXPECT_TRUE(prompts.empty());
}

TEST_F(LoadApplicationTest, KeepsAnExistingLoaderAndPassesArgumentsUntrimmed) {
    // The settings value itself is trimmed; what the user wrote between the blanks is kept.
    Package(identity + "WebviewArguments=--lang=it  --x\n");
    const std::filesystem::path loader = dir / "local" / "com.test.app" / "Win64" / "WebView2LoaderWin64.dll";
    testing::WriteFile(loader, "");
    LoadApplication(services);
    EXPECT_EQ(testing::ReadFile(loader), testing::TBytes{}) << "an existing file stays, even empty";
    EXPECT_EQ(environment["WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"], std::string("--lang=it  --x"));
}

TEST_F(LoadApplicationTest, ALoaderCopyCutShortIsReportedAndLeavesNoLibraryBehind) {
    Package(identity);
    // Writes to /dev/full fail as on a full disk.
    const std::filesystem::path browserDir = dir / "local" / "com.test.app" / "Win64";
    std::filesystem::create_directories(browserDir);
    // The copy is written under a name of this process's own.
    const std::filesystem::path partial =
        browserDir / ("WebView2LoaderWin64.dll." + std::to_string(::getpid()) + ".part");
    std::filesystem::create_symlink("/dev/full", partial);
    EXPECT_THROW(LoadApplication(services), EFileError) << "the report, not the runtime installation";
    EXPECT_FALSE(std::filesystem::exists(browserDir / "WebView2LoaderWin64.dll"));
    EXPECT_FALSE(std::filesystem::is_symlink(partial));
    EXPECT_TRUE(checkedLoader.empty()) << "no runtime check on a library that is not there";

    StartupState().Reset();
    LoadApplication(services);
    EXPECT_EQ(testing::ReadFile(browserDir / "WebView2LoaderWin64.dll"), BytesOf("loader bytes"))
        << "the next start copies it whole";
}

TEST_F(LoadApplicationTest, ThemesAreLookedUpUnlessExactlyWindows) {
    Package(identity + "Theme=windows\n");
    LoadApplication(services);
    EXPECT_EQ(styles, std::vector<std::string>{"windows"});
    EXPECT_TRUE(dialogs.empty());

    StartupState().Reset();
    styles.clear();
    Package(identity + "Theme=Aqua Fantasy\n");
    LoadApplication(services);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].Text, "Style 'Aqua Fantasy' not found");
    EXPECT_EQ(dialogs[0].Buttons, std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbClose});
}

TEST_F(LoadApplicationTest, MissingRuntimeHandsOverToTheInstallationFlow) {
    Package(identity);
    edgeInstalled = false;
    EXPECT_EQ(RunExpectingExit(), 100);
}

TEST_F(LoadApplicationTest, PasswordGateRunsUnlessTheFirstArgumentIsTheIdentity) {
    Package(identity + "Password=s3cret\n");
    promptResult = mrCancel;
    EXPECT_EQ(RunExpectingExit(), 0);
    EXPECT_EQ(prompts, std::vector<std::string>{"Test App|s3cret"});

    StartupState().Reset();
    prompts.clear();
    promptResult = mrOk;
    LoadApplication(services);
    EXPECT_EQ(prompts.size(), 1u);

    StartupState().Reset();
    prompts.clear();
    services.Arguments = {"com.test.app", "file:///app/other.html", "third"};
    LoadApplication(services);
    EXPECT_TRUE(prompts.empty());
    services.Arguments = {"COM.TEST.APP"};
    StartupState().Reset();
    LoadApplication(services);
    EXPECT_EQ(prompts.size(), 1u) << "the comparison is case-sensitive";
}

TEST_F(LoadApplicationTest, DamagedArchivesReachTheErrorReport) {
    testing::TBytes exe = testing::MakePeImage({{0x400, 0x200}});
    const testing::TBytes junk = testing::PseudoRandomBytes(500, 3);
    exe.insert(exe.end(), junk.begin(), junk.end());
    testing::WriteFile(exePath, exe);
    EXPECT_THROW(LoadApplication(services), EArchiveError);

    Package(identity);
    testing::WriteFile(dir / "local", "a file where the data folder should go");
    StartupState().Reset();
    EXPECT_THROW(LoadApplication(services), EFileError);
}

TEST(DataFolderName, AcceptsOnePlainFolderNameAndSaysWhatIsWrongWithOthers) {
    for (const std::string& id :
         std::vector<std::string>{"com.test.app", "My App", "a..b", ".hidden", "Caf\xC3\xA9", "console", "com10", "lpt",
                                  "nul_app", std::string(255, 'x')}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(DataFolderNameProblem(id), std::nullopt);
    }
    struct TCase {
        std::string id;
        const char* problem;
    };
    const TCase refused[] = {
        {"", "is empty"},
        {".", "names the folder that holds it"},
        {"..", "names the folder that holds it"},
        {"a/b", "path delimiter"},
        {"a\\b", "path delimiter"},
        {"../elsewhere", "path delimiter"},
        {"C:", "not allow"},
        {"a*b", "not allow"},
        {"tab\tinside", "not allow"},
        {"app.", "ends with a dot"},
        {"...", "ends with a dot"},
        {"app ", "ends with a dot or a blank"},
        {"CON", "device name"},
        {"nul.txt", "device name"},
        {"Com1", "device name"},
        {"LPT0.log", "device name"},
        {"com\xC2\xB9", "device name"},
        {std::string(256, 'x'), "longer than 255"},
    };
    for (const TCase& c : refused) {
        SCOPED_TRACE(c.id);
        const auto problem = DataFolderNameProblem(c.id);
        ASSERT_TRUE(problem.has_value());
        EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
    }
}

TEST(SingleInstanceRule, LetsOnlyTheIdentityAndOneMoreArgumentThrough) {
    EXPECT_TRUE(IsSecondWindowCommandLine({"id", "file:///app/x.html"}, "id"));
    EXPECT_FALSE(IsSecondWindowCommandLine({"id"}, "id"));
    EXPECT_FALSE(IsSecondWindowCommandLine({"id", "a", "b"}, "id"));
    EXPECT_FALSE(IsSecondWindowCommandLine({"ID", "a"}, "id"));
}

}  // namespace
}  // namespace vellum

namespace vellum {
namespace {

class EdgeInstallationTest : public LoadApplicationTest {
protected:
    void SetUp() override {
        LoadApplicationTest::SetUp();
        installation.DeleteDirectory = [this](const std::string& path) {
            deleted.push_back(path);
            return std::filesystem::remove_all(path) > 0;
        };
        installation.FileExists = [](const std::string& path) { return std::filesystem::exists(path); };
        installation.DeleteFile = [](const std::string& path) { std::filesystem::remove(path); };
        installation.ShowBusyWindow = [this]() -> void* {
            busyShown = true;
            return &busyShown;
        };
        installation.ShellExecAsAdminAndWait = [this](void* owner, const std::string& file, const std::string& params) {
            EXPECT_EQ(owner, &busyShown) << "the busy window owns the installer";
            installerRun = file + " " + params;
            installerBytes = testing::ReadFile(file);
            edgeInstalled = installerSucceeds;
            return 0;
        };
        installation.ShellExec = [this](const std::string& file, const std::string& arguments) {
            started.push_back(file + "|" + arguments);
            return true;
        };
        installation.OwnExecutablePath = exePath.string();
        services.RunInstallationFlow = [this] { RunEdgeInstallationFlow(services, installation); };
        edgeInstalled = false;
    }

    void PackageWithInstaller(const std::string& settings) {
        testing::TBytes exe = testing::MakePeImage({{0x400, 0x200}});
        const testing::TBytes zip = testing::MakeArchive({{"vlm.ini", BytesOf(settings)},
                                                          {"WebView2LoaderWin64.dll", BytesOf("loader")},
                                                          {"WebView2Installer.exe", BytesOf("installer")}},
                                                         ArchivePassword());
        exe.insert(exe.end(), zip.begin(), zip.end());
        testing::WriteFile(exePath, exe);
    }

    std::string AppDataDir() const { return (dir / "local").string() + "/com.test.app/"; }

    TInstallationServices installation;
    std::vector<std::string> deleted, started;
    bool busyShown = false, installerSucceeds = true;
    std::string installerRun;
    testing::TBytes installerBytes;
};

TEST_F(EdgeInstallationTest, SwitchedOffReportsAndKeepsTheDataFolder) {
    PackageWithInstaller(identity + "EdgeInstaller=0\n");
    EXPECT_EQ(RunExpectingExit(), 0);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].Text, GetLocalizedMessageFor(6, "it"));
    EXPECT_TRUE(deleted.empty());
    EXPECT_TRUE(std::filesystem::exists(AppDataDir()));
}

TEST_F(EdgeInstallationTest, DeclinedRemovesTheDataFolderAndReports) {
    PackageWithInstaller(identity);
    services.ShowDialog = [this](const std::string& text, TMsgDlgType kind, const std::vector<TMsgDlgBtn>& buttons,
                                 const std::vector<std::string>& captions, const std::string& title) {
        dialogs.push_back({text, kind, buttons, captions, title});
        return mrCancel;
    };
    EXPECT_EQ(RunExpectingExit(), 0);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].Kind, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(dialogs[0].Buttons, (std::vector<TMsgDlgBtn>{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbCancel}));
    EXPECT_EQ(dialogs[0].Captions, (std::vector<std::string>{"Accettare", "Annulla"}));
    EXPECT_EQ(dialogs[0].Title, "Confermare");
    EXPECT_EQ(dialogs[1].Text, GetLocalizedMessageFor(8, "it"));
    EXPECT_EQ(deleted, std::vector<std::string>{AppDataDir()});
    EXPECT_FALSE(busyShown);
}

TEST_F(EdgeInstallationTest, InstallerThatFailsRemovesTheDataFolder) {
    PackageWithInstaller(identity);
    installerSucceeds = false;
    EXPECT_EQ(RunExpectingExit(), 0);
    EXPECT_TRUE(busyShown);
    EXPECT_EQ(installerRun, AppDataDir() + "WebView2Installer.exe /silent /install");
    EXPECT_EQ(installerBytes, BytesOf("installer"));
    EXPECT_EQ(dialogs.back().Text, GetLocalizedMessageFor(9, "it"));
    EXPECT_EQ(deleted, std::vector<std::string>{AppDataDir()});
    EXPECT_TRUE(started.empty());
}

// Everything below the test's folder, as relative paths.
std::vector<std::string> TreeBelow(const std::filesystem::path& root) {
    std::vector<std::string> tree;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root))
        tree.push_back(item.path().lexically_relative(root).generic_string());
    std::sort(tree.begin(), tree.end());
    return tree;
}

TEST_F(EdgeInstallationTest, AnIdThatIsNotOnePlainFolderNameEndsSilentlyAndTouchesNoFolder) {
    // Another app's data beside where this app's would go; the installer is declined or fails.
    testing::WriteFile(dir / "local" / "other.app" / "settings.json", "{}");
    installation.DeleteDirectory = [this](const std::string& path) {
        deleted.push_back(path);  // recorded only: these paths may lie outside the test's folder
        return true;
    };
    const std::string refused[] = {".", "..", "../elsewhere", "a/b", "a\\b", "C:", "con", "app.", "a*b", "   "};
    for (const bool declined : {true, false}) {
        services.ShowDialog = [this, declined](const std::string& text, TMsgDlgType kind,
                                               const std::vector<TMsgDlgBtn>& buttons,
                                               const std::vector<std::string>& captions, const std::string& title) {
            dialogs.push_back({text, kind, buttons, captions, title});
            return declined ? mrCancel : mrYes;
        };
        installerSucceeds = false;
        for (const std::string& id : refused) {
            SCOPED_TRACE((declined ? "declined, ID=" : "failed, ID=") + id);
            StartupState().Reset();
            dialogs.clear(), deleted.clear(), installerRun.clear();
            PackageWithInstaller("[App]\nID=" + id + "\nName=Test App\nDirName=app\n");
            const std::vector<std::string> before = TreeBelow(dir.Path());
            EXPECT_EQ(RunExpectingExit(), 0);
            EXPECT_TRUE(dialogs.empty()) << "no window: " << dialogs.front().Text;
            EXPECT_TRUE(deleted.empty()) << deleted.front();
            EXPECT_TRUE(installerRun.empty());
            EXPECT_EQ(TreeBelow(dir.Path()), before) << "nothing is created";
            EXPECT_TRUE(StartupState().AppDataDir.empty());
        }
    }
}

TEST_F(EdgeInstallationTest, InstallerThatSucceedsStartsOneFreshCopy) {
    PackageWithInstaller(identity);
    testing::WriteFile(AppDataDir() + "WebView2Installer.exe", "left over");
    EXPECT_EQ(RunExpectingExit(), 0);
    EXPECT_EQ(installerBytes, BytesOf("left over")) << "an existing installer is used unchanged";
    EXPECT_EQ(started, std::vector<std::string>{exePath.string() + "|"});
    EXPECT_FALSE(std::filesystem::exists(AppDataDir() + "WebView2Installer.exe"));
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(dialogs.size(), 1u) << "only the question";
}

}  // namespace
}  // namespace vellum

#include "app/forms/rounded_corners.h"

namespace vellum {
namespace {

class TRecordingForm final : public TRoundedCornerForm {
public:
    void Create(void* handle) { WindowCreated(handle); }
    std::vector<std::uint32_t> Applied;

private:
    void ApplyCornerPreference(void*, std::uint32_t preference) override { Applied.push_back(preference); }
};

TEST(RoundedCorners, AreAppliedAtCreationAndWheneverSet) {
    EXPECT_EQ(DefaultRoundedCorners, TRoundedCornerType::rcOn);
    EXPECT_EQ(CornerPreferenceValue(TRoundedCornerType::rcDefault), 2u) << "the default is rounded";
    EXPECT_EQ(CornerPreferenceValue(TRoundedCornerType::rcOff), 1u);
    EXPECT_EQ(CornerPreferenceValue(TRoundedCornerType::rcSmall), 3u);

    TRecordingForm form;
    form.SetRoundedCorners(TRoundedCornerType::rcSmall);
    EXPECT_TRUE(form.Applied.empty()) << "before the window exists the value is only stored";
    int window = 0;
    form.Create(&window);
    form.SetRoundedCorners(TRoundedCornerType::rcDefault);
    form.Create(&window);  // a window created again
    EXPECT_EQ(form.Applied, (std::vector<std::uint32_t>{3, 2, 2}));
}

}  // namespace
}  // namespace vellum
