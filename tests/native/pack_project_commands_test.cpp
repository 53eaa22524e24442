// The project commands of the packaging tool: init's starting project, check's exit status,
// and run's build-start-clean-up cycle with the app's exit code passed through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/main_form/main_form_settings.h"
#include "app/startup/data_folder_name.h"
#include "core/settings/app_settings.h"
#include "core/text/text_decoding.h"
#include "test_files.h"
#include "tools/pack/child_program.h"
#include "tools/pack/init_command.h"
#include "tools/pack/pack_commands.h"
#include "tools/pack/settings_keys.h"

namespace vellum::pack {
namespace {

using vellum::testing::WriteFile;

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = vellum::testing::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

class ProjectCommandsTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        return RunPackTool(arguments, dir / "bin" / "vellum-pack", out, err);
    }

    TAppSettings SettingsOf(const std::string& text) {
        TAppSettings settings;
        settings.LoadFromBytes(text);
        return settings;
    }

    vellum::testing::TTempDir dir;
    std::ostringstream out, err;
};

// What the runtime reads for every key when the file does not set it, written down from the
// settings' documentation, independently of the tool's own table.
const std::vector<std::pair<std::string, std::string>> kDocumentedDefaults = {
    {"ID", ""}, {"Name", ""}, {"DirName", ""}, {"IndexHtml", "index.html"}, {"Theme", "Windows"},
    {"WebviewArguments", ""}, {"EdgeInstaller", "1"}, {"InstallFormColor", "-16777190"},
    {"InstallIndicatorColor", "1"}, {"InstallIndicatorType", "0"}, {"Password", ""}, {"AllowInstances", "0"},
    {"AllowDebug", "0"}, {"AllowZoom", "0"}, {"AllowContextMenu", "0"}, {"Top", "50"}, {"Left", "50"},
    {"Width", "800"}, {"Height", "600"}, {"MaxWidth", "0"}, {"MaxHeight", "0"}, {"MinWidth", "0"},
    {"MinHeight", "0"}, {"WindowPosition", "0"}, {"WindowStyle", "0"}, {"WindowBorder", "2"},
    {"WindowState", "0"}, {"WindowOrder", "0"}, {"DynamicAppTitle", "0"},
};

// A key's value as the runtime reads it, in the documented form (integers in decimal).
std::string ReadAsRuntime(const TAppSettings& settings, const TSettingsKey& key, const std::string& fallback) {
    if (key.Type == TSettingsKeyType::String) return settings.ReadString("App", key.Name, fallback);
    const std::int32_t sentinel = 0x5EEDBEEF;
    const std::int32_t value = settings.ReadInteger("App", key.Name, sentinel);
    if (value == sentinel) return fallback;
    if (key.Type == TSettingsKeyType::Boolean) return value != 0 ? "1" : "0";
    return std::to_string(value);
}

TEST_F(ProjectCommandsTest, InitListsEveryKeyWithItsDefaultAndSetsOnlyTheIdentity) {
    const auto project = dir / "My Shop";
    ASSERT_EQ(Run({"init", project.string()}), 0) << err.str();
    const std::string text = ReadText(project / "vlm.ini");
    ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF")) << "a byte-order mark: the name may be any text";
    const TAppSettings written = SettingsOf(text);

    ASSERT_EQ(kSettingsKeys.size(), kDocumentedDefaults.size());
    for (const auto& [name, documented] : kDocumentedDefaults) {
        const TSettingsKey* key = FindSettingsKey(name);
        ASSERT_NE(key, nullptr) << name;
        if (key->Required) {
            EXPECT_FALSE(written.ReadString("App", name, "").empty()) << name << " is set";
            continue;
        }
        // Listed, commented out: the file as written leaves the key to its default ...
        const std::string line = std::string(";") + key->Name + "=" + key->Default;
        const std::size_t at = text.find("\n" + line + "\n");
        ASSERT_NE(at, std::string::npos) << line;
        EXPECT_EQ(ReadAsRuntime(written, *key, "(absent)"), "(absent)") << name;
        // ... with a one-line explanation above it ...
        const std::size_t explanation = text.rfind("\n; ", at);
        ASSERT_NE(explanation, std::string::npos);
        EXPECT_GT(at - explanation, 10u) << name;
        // ... and the value shown is the default: uncommented, it reads as the default.
        std::string uncommented = text;
        uncommented.erase(at + 1, 1);
        EXPECT_EQ(ReadAsRuntime(SettingsOf(uncommented), *key, "(absent)"), documented) << name;
    }
    EXPECT_EQ(written.ReadString("App", "Name", ""), "My Shop");
    EXPECT_EQ(written.ReadString("App", "ID", ""), "vellum.my-shop");
    EXPECT_EQ(written.ReadString("App", "DirName", ""), "app");
    // The window the runtime builds from it is the default window.
    const TMainFormSettings window = ReadMainFormSettings(written);
    const TMainFormSettings defaults = ReadMainFormSettings(TAppSettings());
    EXPECT_EQ(window.Width, defaults.Width);
    EXPECT_EQ(window.WindowBorder, defaults.WindowBorder);
    EXPECT_EQ(window.Top, defaults.Top);

    const std::string page = ReadText(project / "app" / "index.html");
    EXPECT_NE(page.find("app.js"), std::string::npos);
    const std::string script = ReadText(project / "app" / "app.js");
    for (const char* call : {"vlm.isRuntime()", "vlm.hello()", "vlm.dialogs.openFile("})
        EXPECT_NE(script.find(call), std::string::npos) << call;
}

TEST_F(ProjectCommandsTest, InitsProjectPassesCheckAndBuildUnchanged) {
    // A folder init makes, and an empty one that is already there.
    std::filesystem::create_directories(dir / "empty");
    for (const char* name : {"fresh", "empty"}) {
        const auto project = dir / name;
        ASSERT_EQ(Run({"init", project.string()}), 0) << err.str();
        ASSERT_EQ(Run({"check", project.string()}), 0) << err.str();
        EXPECT_EQ(err.str(), "") << "no findings at all";
        EXPECT_NE(out.str().find("no findings"), std::string::npos);

        const auto runtime = dir / "runtime";
        WriteFile(runtime, vellum::testing::ReadFile(VELLUM_EXIT_WITH));
        const auto exe = dir / (std::string(name) + "-app");
        ASSERT_EQ(Run({"build", project.string(), "-o", exe.string(), "--runtime", runtime.string()}), 0) << err.str();
        ASSERT_EQ(Run({"list", exe.string()}), 0);
        for (const char* entry : {"vlm.ini", "app/index.html", "app/app.js"})
            EXPECT_NE(out.str().find(entry), std::string::npos) << entry;
    }
}

TEST_F(ProjectCommandsTest, InitRefusesAFolderThatHoldsAnythingAndReplacesNothing) {
    struct TCase {
        const char* What;
        const char* Entry;
        bool Folder;
    };
    for (const TCase& c : {TCase{"a file", "vlm.ini", false}, TCase{"a hidden file", ".git", false},
                           TCase{"a folder", "app", true}}) {
        const auto project = dir / (std::string("busy-") + c.Entry);
        if (c.Folder)
            std::filesystem::create_directories(project / c.Entry);
        else
            WriteFile(project / c.Entry, "mine");
        EXPECT_EQ(Run({"init", project.string()}), 1) << c.What;
        EXPECT_NE(err.str().find("is not empty"), std::string::npos) << c.What << ": " << err.str();
        EXPECT_NE(err.str().find("nothing was written"), std::string::npos) << c.What;
        if (!c.Folder) {
            EXPECT_EQ(ReadText(project / c.Entry), "mine") << c.What;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(project), {}), 1) << c.What;
    }
    WriteFile(dir / "plain.txt", "text");
    EXPECT_EQ(Run({"init", (dir / "plain.txt").string()}), 1);
    EXPECT_NE(err.str().find("is not a folder"), std::string::npos) << err.str();
    EXPECT_EQ(ReadText(dir / "plain.txt"), "text");
}

TEST_F(ProjectCommandsTest, StartingIdsAreValidDataFolderNames) {
    struct TCase {
        const char* Folder;
        const char* Id;
    };
    for (const TCase& c : {TCase{"My App!", "vellum.my-app"}, TCase{"notes", "vellum.notes"}, TCase{"", "vellum-app"},
                           TCase{"...", "vellum-app"}, TCase{"CON", "vellum.con"}, TCase{"a  b..c", "vellum.a-b-c"},
                           TCase{"\xC3\xA9t\xC3\xA9", "vellum.t"}}) {
        EXPECT_EQ(StartingId(c.Folder), c.Id) << c.Folder;
        EXPECT_FALSE(DataFolderNameProblem(StartingId(c.Folder))) << c.Folder;
    }
    EXPECT_EQ(StartingName("  tab\there \n"), "tab here");
    EXPECT_EQ(StartingName("\n"), "New app");
}

TEST_F(ProjectCommandsTest, CheckExitsNonZeroOnErrorsOnly) {
    struct TCase {
        const char* What;
        const char* Settings;  // nullptr: no vlm.ini
        int Code;
        const char* Said;
    };
    for (const TCase& c : {
             TCase{"clean", "[App]\nID=a.b\nName=A\nDirName=app\n", 0, "no findings"},
             TCase{"a warning", "[App]\nID=a.b\nName=A\nDirName=app\nWidht=3\n", 0, "unknown key 'Widht'"},
             TCase{"a word for a number", "[App]\nID=a.b\nName=A\nDirName=app\nWidth=wide\n", 0, "not a number"},
             TCase{"no Name", "[App]\nID=a.b\nDirName=app\n", 1, "'Name' is missing"},
             TCase{"a bad ID", "[App]\nID=../x\nName=A\nDirName=app\n", 1, "path delimiter"},
             TCase{"no settings file", nullptr, 1, "no settings file"},
         }) {
        const auto project = dir / c.What;
        WriteFile(project / "app" / "index.html", "<p>");
        if (c.Settings != nullptr) WriteFile(project / "vlm.ini", c.Settings);
        EXPECT_EQ(Run({"check", project.string()}), c.Code) << c.What << ": " << err.str();
        EXPECT_NE((out.str() + err.str()).find(c.Said), std::string::npos) << c.What << ": " << out.str() << err.str();
    }
}

TEST_F(ProjectCommandsTest, ChildProgramsPassTheirExitCodeThrough) {
    for (const int code : {0, 3, 42})
        EXPECT_EQ(RunChildProgram({VELLUM_EXIT_WITH, std::to_string(code)}), code);
    EXPECT_EQ(RunChildProgram({"sh", "-c", "kill -TERM $$"}), 128 + 15) << "a signal that ended it";
    EXPECT_THROW(RunChildProgram({(dir / "no-such-program").string()}), std::exception);
    // An argument reaches the program as it is, never read by a shell on the way.
    EXPECT_EQ(RunChildProgram({"sh", "-c", "test \"$1\" = '; exit 9'", "sh", "; exit 9"}), 0);
}

TEST_F(ProjectCommandsTest, RunBuildsStartsAndRemovesItsTemporaryApp) {
    const auto project = dir / "project";
    ASSERT_EQ(Run({"init", project.string()}), 0);
    const auto runtime = dir / "runtime";
    WriteFile(runtime, vellum::testing::ReadFile(VELLUM_EXIT_WITH));
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const auto temporary = dir / "tmp";
    std::filesystem::create_directories(temporary);
    const char* previous = std::getenv("TMPDIR");
    const std::string kept = previous != nullptr ? previous : "";
    setenv("TMPDIR", temporary.c_str(), 1);

    EXPECT_EQ(Run({"run", project.string(), "--runtime", runtime.string()}), 0) << err.str();
    EXPECT_NE(out.str().find("exited with code 0"), std::string::npos) << out.str();
    EXPECT_TRUE(std::filesystem::is_empty(temporary)) << "the temporary app is gone";

    // A project the build refuses starts nothing and leaves nothing.
    WriteFile(project / "vlm.ini", "[App]\nID=a.b\nDirName=app\n");
    EXPECT_EQ(Run({"run", project.string(), "--runtime", runtime.string()}), 1);
    EXPECT_NE(err.str().find("'Name' is missing"), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("exited"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(temporary));

    // Under Wine a loader library is needed; without one the command says how to give it.
    EXPECT_EQ(Run({"run", project.string(), "--windows", "--runtime", runtime.string()}), 1);
    EXPECT_NE(err.str().find("--loader"), std::string::npos) << err.str();

    if (previous != nullptr)
        setenv("TMPDIR", kept.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

}  // namespace
}  // namespace vellum::pack
