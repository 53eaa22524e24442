// The shell and system on Linux: which argument vectors the service starts for page text (with
// a recording launcher), what it answers, and the real launcher's own promises.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/posix/process_launcher.h"
#include "platform/posix/shell_service_posix.h"
#include "recording_process_launcher.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using testing::TRecordingProcessLauncher;
using TCall = TRecordingProcessLauncher::TCall;

// A folder of its own, made the PATH so that only the programs a test puts there are found.
class ShellServicePosix : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vellum-shell-" + std::to_string(getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "bin");
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        setenv("PATH", (folder_ / "bin").c_str(), 1);
        Program("bin/xdg-open");
    }
    void TearDown() override {
        setenv("PATH", savedPath_.c_str(), 1);
        fs::remove_all(folder_);
    }
    std::string Program(const std::string& relative, const std::string& script = "#!/bin/sh\nexit 0\n") const {
        const fs::path path = folder_ / relative;
        std::ofstream(path) << script;
        chmod(path.c_str(), 0755);
        return path.string();
    }
    std::string Document(const std::string& relative) const {
        const fs::path path = folder_ / relative;
        std::ofstream(path) << "text";
        return path.string();
    }

    fs::path folder_;
    std::string savedPath_;
    TRecordingProcessLauncher launcher;
    TPosixShellService shell{launcher};
};

TEST_F(ShellServicePosix, AddressesAndDocumentsOpenWithTheDesktopsHandlerAsOneArgument) {
    const std::string document = Document("a 'quoted' $(x).txt");
    const std::string cases[] = {"https://example.com/?q=1;rm -rf ~&x=`id`", "mailto:a@b.c", document};
    for (const std::string& target : cases) {
        launcher.Calls.clear();
        EXPECT_EQ(shell.Execute(target, "--ignored"), TShellOutcome{}) << target;
        EXPECT_EQ(launcher.Calls, (std::vector<TCall>{{true, {"xdg-open", target}, ""}})) << target;
    }
    // A folder opens in the file manager.
    launcher.Calls.clear();
    EXPECT_EQ(shell.Execute(folder_.string(), ""), TShellOutcome{});
    EXPECT_EQ(launcher.Calls, (std::vector<TCall>{{true, {"xdg-open", folder_.string()}, ""}}));
}

TEST_F(ShellServicePosix, ARelativeNameNeverBecomesAnOptionOfTheOpener) {
    const fs::path saved = fs::current_path();
    fs::current_path(folder_);
    Document("-x.txt");
    const TShellOutcome outcome = shell.Execute("-x.txt", "");
    fs::current_path(saved);
    EXPECT_EQ(outcome, TShellOutcome{});
    EXPECT_EQ(launcher.Calls, (std::vector<TCall>{{true, {"xdg-open", (folder_ / "-x.txt").string()}, ""}}));
}

TEST_F(ShellServicePosix, ProgramsRunDirectlyWithTheirParametersSplitAsOnWindows) {
    const std::string program = Program("tool");
    EXPECT_EQ(shell.Execute(program, R"(one "two three" ;rm $(id) "say \"hi\"")"), TShellOutcome{});
    EXPECT_EQ(launcher.Calls,
              (std::vector<TCall>{{true, {program, "one", "two three", ";rm", "$(id)", "say \"hi\""}, ""}}));
    // A bare name is looked up on PATH, as the shell finds programs.
    launcher.Calls.clear();
    const std::string onPath = Program("bin/helper");
    EXPECT_EQ(shell.Execute("helper", "a"), TShellOutcome{});
    EXPECT_EQ(launcher.Calls, (std::vector<TCall>{{true, {onPath, "a"}, ""}}));
}

TEST_F(ShellServicePosix, WhatCannotBeOpenedAnswersTheSystemsText) {
    EXPECT_EQ(shell.Execute((folder_ / "missing.txt").string(), ""), (TShellOutcome{false, std::strerror(ENOENT)}));
    EXPECT_EQ(shell.Execute("no-such-program", "x"), (TShellOutcome{false, std::strerror(ENOENT)}));
    EXPECT_EQ(shell.Explore((folder_ / "missing").string()), (TShellOutcome{false, std::strerror(ENOENT)}));
    EXPECT_TRUE(launcher.Calls.empty());
    launcher.DetachedErrors = {EACCES};
    EXPECT_EQ(shell.Execute(Program("tool"), ""), (TShellOutcome{false, std::strerror(EACCES)}));
    fs::remove(folder_ / "bin" / "xdg-open");  // no opener at all (nor gio on this PATH)
    const TShellOutcome none = shell.Execute("https://example.com", "");
    EXPECT_FALSE(none.Done);
    EXPECT_NE(none.ErrorText.find("xdg-open"), std::string::npos) << none.ErrorText;
}

TEST_F(ShellServicePosix, ExploreAsksTheFileManagerToSelectTheItemElseOpensItsFolder) {
    const std::string item = Document("it's a \"file\" #1.txt");
    EXPECT_EQ(shell.Explore(item), TShellOutcome{});
    const std::string uri = "file://" + folder_.string() + "/it%27s%20a%20%22file%22%20%231.txt";
    const TCall showItems{false,
                          {"gdbus", "call", "--session", "--timeout", "10", "--dest", "org.freedesktop.FileManager1",
                           "--object-path", "/org/freedesktop/FileManager1", "--method",
                           "org.freedesktop.FileManager1.ShowItems", "['" + uri + "']", ""},
                          ""};
    EXPECT_EQ(launcher.Calls, std::vector<TCall>{showItems});
    launcher.Calls.clear();
    launcher.RunResults = {{true, 0, 1, "Error: GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: no\n"}};
    EXPECT_EQ(shell.Explore(item), TShellOutcome{});
    EXPECT_EQ(launcher.Calls, (std::vector<TCall>{showItems, {true, {"xdg-open", folder_.string()}, ""}}));
}

TEST_F(ShellServicePosix, CommandsRunThroughTheInterpreterInTheirFolderAndAnswerCleanText) {
    launcher.RunResults = {{true, 0, 3, std::string("a\"b\n\0err\xFF\n", 11)}};
    EXPECT_EQ(shell.RunCommand("echo a\"b; echo err >&2", "/tmp", true), "a\"b\nerr\xEF\xBF\xBD\n");
    EXPECT_EQ(launcher.Calls, (std::vector<TCall>{{false, {"/bin/sh", "-c", "echo a\"b; echo err >&2"}, "/tmp"}}));
    launcher.RunResults = {{false, ENOENT, -1, ""}};
    EXPECT_EQ(shell.RunCommand("x", "/missing", false), "") << "a command that cannot start answers nothing";
}

TEST_F(ShellServicePosix, SessionEndsThroughLogindAndItsRefusalIsTheAnswer) {
    const std::vector<std::string> bus = {"gdbus", "call", "--system", "--dest", "org.freedesktop.login1"};
    auto with = [&bus](std::vector<std::string> rest) {
        std::vector<std::string> call = bus;
        call.insert(call.end(), rest.begin(), rest.end());
        return TCall{false, call, ""};
    };
    EXPECT_EQ(shell.EndSession(TPowerAction::LogOff), TShellOutcome{});
    EXPECT_EQ(shell.EndSession(TPowerAction::Reboot), TShellOutcome{});
    EXPECT_EQ(shell.EndSession(TPowerAction::ShutDown), TShellOutcome{});
    EXPECT_EQ(launcher.Calls,
              (std::vector<TCall>{
                  with({"--object-path", "/org/freedesktop/login1/session/auto", "--method",
                        "org.freedesktop.login1.Session.Terminate"}),
                  with({"--object-path", "/org/freedesktop/login1", "--method", "org.freedesktop.login1.Manager.Reboot",
                        "false"}),
                  with({"--object-path", "/org/freedesktop/login1", "--method",
                        "org.freedesktop.login1.Manager.PowerOff", "false"}),
              }));
    launcher.RunResults = {
        {true, 0, 1,
         "Error: GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: The name org.freedesktop.login1 was not "
         "provided by any .service files\n"},
        {true, 0, 1, "Error connecting: Could not connect: No such file or directory\n"},
        {true, 0, 1, ""},
        {false, ENOENT, -1, ""},
    };
    EXPECT_EQ(shell.EndSession(TPowerAction::ShutDown),
              (TShellOutcome{false, "The name org.freedesktop.login1 was not provided by any .service files"}));
    EXPECT_EQ(shell.EndSession(TPowerAction::ShutDown),
              (TShellOutcome{false, "Error connecting: Could not connect: No such file or directory"}));
    EXPECT_EQ(shell.EndSession(TPowerAction::Reboot), (TShellOutcome{false, "The session manager refused the request"}));
    EXPECT_EQ(shell.EndSession(TPowerAction::LogOff), (TShellOutcome{false, std::strerror(ENOENT)}));
}

TEST(ShellServicePosixTexts, SchemesAndFileAddresses) {
    struct TCase {
        const char* Target;
        bool Url;
    };
    const TCase cases[] = {{"https://x", true}, {"mailto:a@b", true}, {"x-app+1.2:do", true}, {"C:\\x", false},
                           {"c:/x", false},     {"/a:b", false},      {"file.txt", false},    {"1ab:x", false},
                           {":x", false},       {"a b:x", false}};
    for (const TCase& item : cases) EXPECT_EQ(HasUrlScheme(item.Target), item.Url) << item.Target;
    EXPECT_EQ(FileUri("/a b/ü'\"%.txt"), "file:///a%20b/%C3%BC%27%22%25.txt");
}

// The real launcher, with real programs.
class PosixProcessLauncher : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vellum-launcher-" + std::to_string(getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
    TPosixProcessLauncher launcher;
};

TEST_F(PosixProcessLauncher, RunCollectsBothStreamsInOrderInItsFolderAndNoShellReadsTheArguments) {
    const TProcessResult run = launcher.Run({"/bin/sh", "-c", "pwd; echo err >&2; echo \"$1\"; exit 3", "sh", "$(touch hit)"},
                                            folder_.string());
    EXPECT_TRUE(run.Started);
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_EQ(run.Output, folder_.string() + "\nerr\n$(touch hit)\n");
    EXPECT_FALSE(fs::exists(folder_ / "hit"));
    const TProcessResult missing = launcher.Run({"no-such-program-here"}, "");
    EXPECT_FALSE(missing.Started);
    EXPECT_EQ(missing.StartError, ENOENT);
    EXPECT_FALSE(launcher.Run({"/bin/true"}, (folder_ / "missing").string()).Started);
}

TEST_F(PosixProcessLauncher, StartDetachedReturnsOnceStartedAndReportsAProgramThatCannotRun) {
    const fs::path marker = folder_ / "started";
    EXPECT_EQ(launcher.StartDetached({"/bin/sh", "-c", "echo \"$1\" > \"$2\"", "sh", "$(id)", marker.string()}), 0);
    for (int i = 0; i < 200 && !(fs::exists(marker) && fs::file_size(marker) > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream written(marker);
    std::string line;
    std::getline(written, line);
    EXPECT_EQ(line, "$(id)");
    EXPECT_EQ(launcher.StartDetached({"no-such-program-here"}), ENOENT);
    const fs::path notExecutable = folder_ / "plain";
    std::ofstream(notExecutable) << "x";
    EXPECT_EQ(launcher.StartDetached({notExecutable.string()}), EACCES);
    EXPECT_EQ(launcher.StartDetached({}), EINVAL);
}

}  // namespace
}  // namespace vellum
