// Startup in preview mode: a project folder instead of an archive, against fakes of the world.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>

#include "app/startup/load_preview.h"
#include "core/archive/pe_image.h"
#include "test_files.h"

namespace vellum {
namespace {

using vellum::testing::WriteFile;

struct TExit {
    int Code;
};

class TPlainExecutable final : public IOwnExecutable {
public:
    explicit TPlainExecutable(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return ComputePeImageEndOfFile(path_).value_or(0); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw TExit{0}; }

private:
    std::filesystem::path path_;
};

class LoadPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartupState().Reset();
        WriteFile(dir / "bin" / "VellumRuntime.exe", vellum::testing::MakePeImage({{0x400, 0x200}}));
        WriteFile(dir / "bin" / "WebView2LoaderWin64.dll", "loader beside the runtime");
        services.Executable = &executable;
        services.ShowDialog = [this](const std::string& text, TMsgDlgType, const std::vector<TMsgDlgBtn>&,
                                     const std::vector<std::string>&, const std::string&) {
            dialogs.push_back(text);
            return mrYes;
        };
        services.LocalizedMessage = [](int index) { return "message " + std::to_string(index); };
        services.ExitProcess = [](int code) { throw TExit{code}; };
        services.LocalAppDataDir = [this] { return (dir / "local").string() + "/"; };
        services.SetEnvironment = [this](const std::string& name, const std::optional<std::string>& value) {
            environment[name] = value;
        };
        services.SelectStyle = [](const std::string&) { return false; };
        services.CheckEdgeIsInstalled = [this](const std::string&) { return edgeInstalled; };
        services.RunInstallationFlow = [] { throw TExit{100}; };
        services.ShowPasswordPrompt = [this](const std::string&, const std::string&) {
            ++prompts;
            return 2;
        };
        services.PathDelimiter = '/';
    }
    void TearDown() override { StartupState().Reset(); }

    int ExitCodeOf(const std::string& project) {
        try {
            LoadPreview(services, project);
        } catch (const TExit& exit) {
            return exit.Code;
        }
        return -1;
    }

    vellum::testing::TTempDir dir;
    TPlainExecutable executable{dir / "bin" / "VellumRuntime.exe"};
    TStartupServices services;
    std::vector<std::string> dialogs;
    std::map<std::string, std::optional<std::string>> environment;
    bool edgeInstalled = true;
    int prompts = 0;
};

TEST(PreviewSwitch, CountsOnlyAsTheWholeCommandLine) {
    using TArgs = std::vector<std::string>;
    struct TCase {
        TArgs Arguments;
        std::optional<std::string> Folder;
    };
    for (const TCase& c : {TCase{{"--preview", "/p"}, "/p"}, TCase{{}, std::nullopt}, TCase{{"--preview"}, std::nullopt},
                           TCase{{"--preview", ""}, std::nullopt}, TCase{{"--preview", "/p", "x"}, std::nullopt},
                           TCase{{"com.app", "--preview"}, std::nullopt}, TCase{{"--PREVIEW", "/p"}, std::nullopt}})
        EXPECT_EQ(PreviewFolderArgument(c.Arguments), c.Folder) << ::testing::PrintToString(c.Arguments);
}

TEST_F(LoadPreviewTest, ReadsTheFolderAndLeavesTheArchiveUnassigned) {
    const auto project = dir / "project";
    WriteFile(project / "vlm.ini", "[App]\nID=com.demo\nName=Demo\nDirName=web\nPassword=secret\nWebviewArguments= \n");
    WriteFile(project / "web" / "index.html", "<p>");
    // A loader copied by an earlier preview is replaced by the one beside the runtime.
    WriteFile(dir / "local" / "com.demo.preview" / "Win64" / "WebView2LoaderWin64.dll", "older loader");

    const TPreviewProject preview = LoadPreview(services, project.string());
    const TStartupState& state = StartupState();
    EXPECT_EQ(state.AppArchive, nullptr) << "no archive: the bridge and the form are in preview mode";
    EXPECT_EQ(state.AppID, "com.demo");
    EXPECT_EQ(state.AppName, "Demo");
    EXPECT_EQ(state.AppIndexHtml, "index.html");
    EXPECT_EQ(state.AppDataDir, (dir / "local").string() + "/com.demo.preview/");
    EXPECT_EQ(preview.PagesDir, (project / "web").string());
    EXPECT_EQ(prompts, 0) << "no password for the developer's own project";
    EXPECT_EQ(vellum::testing::ReadFile(state.LoaderLibraryPath), vellum::testing::BytesOf("loader beside the runtime"));
    EXPECT_EQ(environment["WEBVIEW2_USER_DATA_FOLDER"], state.BrowserDataDir);
    EXPECT_EQ(environment["WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"], std::string(kDefaultWebviewArguments));
    EXPECT_EQ(environment.count("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"), 1u);
    EXPECT_FALSE(environment["WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"]);
}

TEST_F(LoadPreviewTest, AProjectTheAppCouldNotStartFromEndsWithOneAndCreatesNothing) {
    struct TCase {
        const char* What;
        const char* Settings;  // nullptr: no vlm.ini
    };
    for (const TCase& c : {TCase{"no settings", nullptr}, TCase{"no Name", "[App]\nID=a.b\nDirName=web\n"},
                           TCase{"a path for an ID", "[App]\nID=../a\nName=A\nDirName=web\n"},
                           TCase{"a path for DirName", "[App]\nID=a.b\nName=A\nDirName=../web\n"},
                           TCase{"a DirName the folder lacks", "[App]\nID=a.b\nName=A\nDirName=site\n"}}) {
        const auto project = dir / c.What;
        WriteFile(project / "web" / "index.html", "<p>");
        if (c.Settings != nullptr) WriteFile(project / "vlm.ini", c.Settings);
        EXPECT_EQ(ExitCodeOf(project.string()), 1) << c.What;
        EXPECT_FALSE(std::filesystem::exists(dir / "local")) << c.What;
        StartupState().Reset();
    }
    // A named pipe for vlm.ini is refused without being opened, so nothing waits on it.
    const auto piped = dir / "piped";
    WriteFile(piped / "web" / "index.html", "<p>");
    ASSERT_EQ(mkfifo((piped / "vlm.ini").c_str(), 0600), 0);
    EXPECT_EQ(ExitCodeOf(piped.string()), 1);
    EXPECT_EQ(ExitCodeOf((dir / "no-such-folder").string()), 1);
}

TEST_F(LoadPreviewTest, AMissingEngineIsReportedAndEndsThePreview) {
    const auto project = dir / "project";
    WriteFile(project / "vlm.ini", "[App]\nID=com.demo\nName=Demo\nDirName=web\n");
    WriteFile(project / "web" / "index.html", "<p>");
    edgeInstalled = false;
    EXPECT_EQ(ExitCodeOf(project.string()), 0) << "nothing to install from: no installation flow";
    EXPECT_EQ(dialogs, std::vector<std::string>{"message 6"});
}

}  // namespace
}  // namespace vellum
