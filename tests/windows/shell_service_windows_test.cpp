// The Win32 shell service under Wine: cmd's real output, the system's error texts, window
// titles and adapters. The session is never ended: a stand-in takes the exit request.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "platform/win32/shell_service_win32.h"
#include "test_files.h"

namespace vellum {
namespace {

TEST(ShellServiceWindows, CommandOutputKeepsQuotesAmpersandsPipesAndPercentSigns) {
    TWin32ShellService shell;
    const std::pair<const char*, const char*> cases[] = {
        {"echo a\"b", "a\"b\r\n"},
        {"echo one& echo two", "one\r\ntwo\r\n"},
        {"echo piped|find \"pipe\"", "piped\r\n"},
        {"echo %vellum_undefined_variable%", "%vellum_undefined_variable%\r\n"},
        {"echo only standard error 1>&2", "only standard error \r\n"},
        {"rem nothing", ""},
    };
    for (const auto& [command, output] : cases) EXPECT_EQ(shell.RunCommand(command, "", false), output) << command;
}

TEST(ShellServiceWindows, CommandOutputOfMoreThanAMegabyteArrivesWhole) {
    TWin32ShellService shell;
    const std::string line(1000, 'x');
    const std::string output = shell.RunCommand("for /L %i in (1,1,1100) do @echo " + line, "", false);
    ASSERT_EQ(output.size(), 1100u * (line.size() + 2));
    EXPECT_GT(output.size(), 1u << 20);
    EXPECT_EQ(output.find_first_not_of("x\r\n"), std::string::npos);
}

TEST(ShellServiceWindows, CommandsThatCannotRunAnswerCmdsTextOrNothing) {
    TWin32ShellService shell;
    EXPECT_NE(shell.RunCommand("vellum-no-such-command", "", false).find("vellum-no-such-command"), std::string::npos);
    EXPECT_EQ(shell.RunCommand("echo never", "C:\\vellum\\no\\such\\folder", false), "") << "the process never starts";
    testing::TTempDir dir;
    EXPECT_NE(shell.RunCommand("cd", PathToUtf8(dir.Path()), false).find(PathToUtf8(dir.Path().filename())),
              std::string::npos);
}

TEST(ShellServiceWindows, NonAsciiTextReachesCmdAndComesBackDecodedFromTheAnsiCodePage) {
    // The command line travels as UTF-16; cmd writes to the pipe in the ANSI code page (1252
    // here), which is decoded back to UTF-8.
    ASSERT_EQ(GetACP(), 1252u);
    EXPECT_EQ(TWin32ShellService().RunCommand("echo Zo\xC3\xAB caf\xC3\xA9", "", false), "Zo\xC3\xAB caf\xC3\xA9\r\n");
}

TEST(ShellServiceWindows, RefusalsCarryTheSystemsTextForTheLastError) {
    TWin32ShellService shell;
    testing::TTempDir dir;
    const std::string missingFile = PathToUtf8(dir.Path() / "missing.txt");
    EXPECT_EQ(shell.Execute(missingFile, ""), (TShellOutcome{false, SystemErrorMessage(ERROR_FILE_NOT_FOUND)}));
    EXPECT_EQ(shell.Execute("C:\\vellum\\no\\such\\file.txt", ""),
              (TShellOutcome{false, SystemErrorMessage(ERROR_PATH_NOT_FOUND)}));
    EXPECT_FALSE(SystemErrorMessage(ERROR_FILE_NOT_FOUND).empty());
    const TShellOutcome quoted = shell.Explore("C:\\a\" /root,C:\\");
    EXPECT_EQ(quoted, (TShellOutcome{false, SystemErrorMessage(ERROR_INVALID_NAME)}));
    EXPECT_FALSE(quoted.ErrorText.empty());
    const std::string exitWith = PathToUtf8(RunningExecutable().Path().parent_path() / "exit_with.exe");
    EXPECT_EQ(shell.Execute(exitWith, "0"), TShellOutcome{});
}

TEST(ShellServiceWindows, EndingTheSessionAsksForTheForcedFlagsAndReportsARefusal) {
    std::vector<std::uint32_t> asked;
    bool refuse = false;
    TWin32ShellService shell([&](std::uint32_t flags) {
        asked.push_back(flags);
        if (refuse) SetLastError(ERROR_ACCESS_DENIED);
        return !refuse;
    });
    EXPECT_EQ(shell.EndSession(TPowerAction::LogOff), TShellOutcome{});
    EXPECT_EQ(shell.EndSession(TPowerAction::Reboot), TShellOutcome{});
    refuse = true;
    const TShellOutcome refused = shell.EndSession(TPowerAction::ShutDown);
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{4, 6, 5}));
    EXPECT_FALSE(refused.Done);
    EXPECT_EQ(refused.ErrorText, SystemErrorMessage(ERROR_ACCESS_DENIED));
    EXPECT_NE(refused.ErrorText.find("denied"), std::string::npos) << refused.ErrorText;
}

TEST(ShellServiceWindows, WindowTitlesIncludeHiddenOnesAndSkipBlankOnes) {
    const HWND hidden = CreateWindowExW(0, L"STATIC", L"Vellum hidden \"titled\" window", WS_POPUP, 0, 0, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
    const HWND blank = CreateWindowExW(0, L"STATIC", L"  \t ", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hidden, nullptr);
    ASSERT_NE(blank, nullptr);
    const std::vector<std::string> titles = TWin32ShellService().WindowCaptions();
    DestroyWindow(hidden);
    DestroyWindow(blank);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Vellum hidden \"titled\" window"), 1);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "  \t "), 0);
    for (const std::string& title : titles) EXPECT_NE(title.find_first_not_of(" \t"), std::string::npos);
}

TEST(ShellServiceWindows, AdapterAddressesAreTypedAndNeverAllZero) {
    const std::regex entry("[EWU],([0-9A-F]{2}:){5}[0-9A-F]{2}");
    const std::vector<std::string> addresses = TWin32ShellService().AdapterAddresses();
    RecordProperty("adapters", static_cast<int>(addresses.size()));
    for (const std::string& address : addresses) {
        EXPECT_TRUE(std::regex_match(address, entry)) << address;
        EXPECT_NE(address.substr(2), "00:00:00:00:00:00");
    }
}

}  // namespace
}  // namespace vellum
