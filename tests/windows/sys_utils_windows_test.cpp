// The system utilities against Windows' own calls, under Wine.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <atomic>

#include "core/errors.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "platform/sys_utils.h"
#include "test_files.h"

namespace vellum {
namespace {

// Helpers built beside the tests: a child that exits with a chosen code, and loader stand-ins.
bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Beside(const char* name) {
    return PathToUtf8(RunningExecutable().Path().parent_path() / name);
}

TEST(SysUtilsWindows, FoldersEndInABackslash) {
    for (const std::string& path :
         {TSysUtils::GetTempDirPath(), TSysUtils::GetUserDesktopDirPath(), TSysUtils::GetUserDocumentsDirPath(),
          TSysUtils::GetUserAppDataDirPath(), TSysUtils::GetLocalAppDataDirPath(), TSysUtils::GetProgramFilesDirPath(),
          TSysUtils::GetSystemAppsDirPath()}) {
        SCOPED_TRACE(path);
        ASSERT_GT(path.size(), 3u);
        EXPECT_EQ(path.back(), '\\');
    }
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(TSysUtils::GetTempDirPath())));
    EXPECT_NE(TSysUtils::GetSystemAppsDirPath().find("\\SystemApps\\"), std::string::npos);
    EXPECT_EQ(TSysUtils::GetParentDirPath("C:\\one\\two"), "C:\\one\\");
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("sub\\..\\file.txt", "C:\\base"), "C:\\base\\file.txt");
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("D:\\x\\.\\y.txt", "C:\\base"), "D:\\x\\y.txt");
}

TEST(SysUtilsWindows, GetDosOutputCollectsStandardOutputAndError) {
    const std::string longOutput = TSysUtils::GetDosOutput("for /L %i in (1,1,60) do @echo line %i", "", false);
    int lines = 0;
    for (std::size_t at = longOutput.find("line "); at != std::string::npos; at = longOutput.find("line ", at + 1))
        ++lines;
    EXPECT_GT(longOutput.size(), 255u);
    EXPECT_EQ(lines, 60);
    EXPECT_NE(longOutput.find("line 60"), std::string::npos);
    const std::string both = TSysUtils::GetDosOutput("echo out& echo err 1>&2", "", false);
    EXPECT_NE(both.find("out"), std::string::npos);
    EXPECT_NE(both.find("err"), std::string::npos) << "standard error is captured";
    EXPECT_EQ(TSysUtils::GetDosOutput("rem nothing", "", false), "");
    EXPECT_FALSE(TSysUtils::GetDosOutput("no-such-command-vellum", "", false).empty()) << "the error text arrives";
    testing::TTempDir dir;
    EXPECT_NE(TSysUtils::GetDosOutput("cd", PathToUtf8(dir.Path()), false).find(PathToUtf8(dir.Path().filename())),
              std::string::npos);
}

TEST(SysUtilsWindows, ProcessesReportTheirExitCodes) {
    EXPECT_EQ(TSysUtils::ExecAndWait("\"" + Beside("exit_with.exe") + "\" 42 10"), 42);
    EXPECT_EQ(TSysUtils::ExecAndWait("Z:\\no\\such\\program.exe"), 0) << "a process that cannot start";
}

std::atomic<int> g_timerTicks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_timerTicks;
}

TEST(SysUtilsWindows, ShellExecAsAdminAndWaitKeepsTheMessageLoopRunning) {
    g_timerTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CountTick);
    ASSERT_NE(timer, 0u);
    const std::int32_t code = TSysUtils::ShellExecAsAdminAndWait(nullptr, Beside("exit_with.exe"), "7 600");
    KillTimer(nullptr, timer);
    EXPECT_EQ(code, 7);
    EXPECT_GE(g_timerTicks.load(), 5) << "timer messages were dispatched while waiting";
    EXPECT_EQ(TSysUtils::ShellExecAsAdminAndWait(nullptr, "Z:\\no\\such\\installer.exe", ""), 0);

    // Asked to terminate while waiting: the wait ends, and the quit message stays for the
    // application's own loop. (The process stays marked as terminating; no later test waits.)
    const UINT_PTR quitter = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PostQuitMessage(3);
    });
    const auto started = GetTickCount64();
    EXPECT_EQ(TSysUtils::ShellExecAsAdminAndWait(nullptr, Beside("exit_with.exe"), "0 3000"), 259) << "still active";
    EXPECT_LT(GetTickCount64() - started, 2500u);
    KillTimer(nullptr, quitter);
    EXPECT_TRUE(TSysUtils::ApplicationTerminated());
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

TEST(SysUtilsWindows, FileOperationsAndSizes) {
    testing::TTempDir dir;
    const std::string root = PathToUtf8(dir.Path());
    testing::WriteFile(dir / "tree" / "a.txt", "12345");
    testing::WriteFile(dir / "tree" / "b.js", "1234567");
    testing::WriteFile(dir / "tree" / "sub" / "deep.txt", "xx");

    std::vector<std::string> listing;
    TSysUtils::GetDirectoryFiles(root + "\\tree", true, listing, "*.*");
    ASSERT_EQ(listing.size(), 3u);
    EXPECT_EQ(listing[0], root + "\\tree\\sub") << "folders first";
    TSysUtils::GetDirectoryFiles(root + "\\tree", false, listing, "*.txt");
    EXPECT_EQ(listing, std::vector<std::string>{root + "\\tree\\a.txt"});
    EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(root + "\\tree"), 1);
    EXPECT_EQ(TSysUtils::GetSizeOfDir(root + "\\tree", true), 12);
    EXPECT_EQ(TSysUtils::GetSizeOfFile(root + "\\tree\\missing"), -1);

    EXPECT_TRUE(TSysUtils::CopyFile(root + "\\tree\\a.txt", root + "\\copy.txt"));
    EXPECT_EQ(testing::ReadFile(dir / "copy.txt"), testing::BytesOf("12345"));
    EXPECT_TRUE(TSysUtils::CopyDirectory(root + "\\tree", root + "\\tree2"));
    EXPECT_EQ(testing::ReadFile(dir / "tree2" / "a.txt"), testing::BytesOf("12345"));
    // Windows applies "files only" to wildcard sources alone and copies the whole tree; Wine 8
    // applies it to the folder too and leaves the subfolders out.
    if (!RunningUnderWine()) {
        EXPECT_EQ(testing::ReadFile(dir / "tree2" / "sub" / "deep.txt"), testing::BytesOf("xx"));
    }
    EXPECT_TRUE(TSysUtils::DeleteDirectory(root + "\\tree2"));
    EXPECT_FALSE(std::filesystem::exists(dir / "tree2"));
    EXPECT_FALSE(TSysUtils::DeleteDirectory(root + "\\tree2")) << "a missing folder";

    // A sparse file of 5 GiB and 3 bytes: the size comes from both 32-bit halves.
    const std::wstring sparse = (dir.Path() / "sparse.bin").wstring();
    HANDLE file = CreateFileW(sparse.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 5LL * 1024 * 1024 * 1024 + 3;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    EXPECT_EQ(TSysUtils::GetSizeOfFile(PathToUtf8(dir.Path() / "sparse.bin")), 5LL * 1024 * 1024 * 1024 + 3);
}

TEST(SysUtilsWindows, NamesIdentityAndAdapters) {
    EXPECT_TRUE(TSysUtils::IsValidFilePath("C:\\Users\\me\\notes.txt"));
    EXPECT_TRUE(TSysUtils::IsValidFilePath("relative/dir/file"));
    for (const char* invalid : {"C:\\a<b", "C:\\a|b\\c", "what?.txt", "C:\\dir\\CON", "nul.txt", "dir\\a:b", ""})
        EXPECT_FALSE(TSysUtils::IsValidFilePath(invalid)) << invalid;
    EXPECT_FALSE(TSysUtils::GetUserFromWindows().empty());
    EXPECT_FALSE(TSysUtils::GetComputerNetName().empty());
    EXPECT_EQ(TSysUtils::FormatByteSize(1536).size(), 6u) << "1.5 KB with the user's separator";

    std::vector<std::string> addresses = {"stale"};
    TSysUtils::GetMacAddresses(addresses);
    for (const std::string& entry : addresses) {
        SCOPED_TRACE(entry);
        ASSERT_EQ(entry.size(), 19u);
        EXPECT_NE(std::string("EWU").find(entry[0]), std::string::npos);
        EXPECT_EQ(entry[1], ',');
        EXPECT_NE(entry.substr(2), "00:00:00:00:00:00");
        EXPECT_EQ(entry.find_first_not_of("0123456789ABCDEF:", 2), std::string::npos);
    }
}

TEST(SysUtilsWindows, WindowCaptionsIncludeHiddenWindows) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VellumCaptionTest";
    RegisterClassW(&windowClass);
    HWND hidden = CreateWindowExW(0, L"VellumCaptionTest", L"  Vellum hidden caption  ", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, windowClass.hInstance, nullptr);
    HWND blank = CreateWindowExW(0, L"VellumCaptionTest", L"   ", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    ASSERT_NE(hidden, nullptr) << "needs a display (DISPLAY, Xvfb)";
    std::vector<std::string> captions;
    TSysUtils::GetWindowsCaptions(captions);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "  Vellum hidden caption  "), captions.end())
        << "hidden windows count, titles are kept untrimmed";
    EXPECT_EQ(std::find(captions.begin(), captions.end(), "   "), captions.end()) << "blank titles are skipped";
    DestroyWindow(hidden);
    DestroyWindow(blank);
}

TEST(SysUtilsWindows, CheckEdgeIsInstalledAsksTheLoader) {
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled("Z:\\no\\such\\loader.dll"));
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(Beside("fake_loader_none.dll"))) << "no export";
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(Beside("fake_loader_empty.dll"))) << "an empty version";
    EXPECT_TRUE(TSysUtils::CheckEdgeIsInstalled(Beside("fake_loader_version.dll")));
    testing::TTempDir dir;
    testing::WriteFile(dir / "damaged.dll", "not a library");
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(PathToUtf8(dir.Path() / "damaged.dll")));
}

TEST(SysUtilsWindows, ShellStartsProgramsAndReportsFailures) {
    EXPECT_TRUE(TSysUtils::ShellExec(Beside("exit_with.exe"), "0"));
    EXPECT_FALSE(TSysUtils::ShellExec("Z:\\no\\such\\program.exe", ""));
    EXPECT_NE(TSysUtils::LastErrorCode(), 0u) << "the shell's error is kept for the caller";
    testing::TTempDir dir;
    const std::string flag = PathToUtf8(dir.Path() / "flag.txt");
    TSysUtils::ExecCmd("cmd.exe /C echo done> \"" + flag + "\"", true);
    EXPECT_EQ(testing::ReadFile(dir / "flag.txt"), testing::BytesOf("done\r\n"));
}

TEST(SysUtilsWindows, IconsFontsAndShortcuts) {
    TBitmap bitmap;
    ASSERT_TRUE(TSysUtils::ExtractExeIcon(Beside("VellumRuntime.exe"), bitmap));
    EXPECT_GT(bitmap.Width, 0);
    EXPECT_EQ(bitmap.Pixels.size(), static_cast<std::size_t>(bitmap.Width) * bitmap.Height);
    EXPECT_TRUE(std::any_of(bitmap.Pixels.begin(), bitmap.Pixels.end(), [](std::uint32_t p) { return p != 0; }));
    testing::TTempDir dir;
    testing::WriteFile(dir / "plain.txt", "no icon here");
    EXPECT_FALSE(TSysUtils::ExtractExeIcon(PathToUtf8(dir.Path() / "plain.txt"), bitmap));

    const std::int32_t shortWidth = TSysUtils::TrueFontWidth(TFontSpec{}, "Hello");
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(TSysUtils::TrueFontWidth(TFontSpec{}, "Hello, Hello"), shortWidth);

    // A shortcut written through the shell's own link object reads back its target.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    const std::wstring target = (dir.Path() / "plain.txt").wstring();
    link->SetPath(target.c_str());
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::wstring lnk = (dir.Path() / "plain.lnk").wstring();
    ASSERT_TRUE(SUCCEEDED(file->Save(lnk.c_str(), TRUE)));
    file->Release();
    link->Release();
    CoUninitialize();
    EXPECT_EQ(TSysUtils::GetLnkFilePath(PathToUtf8(dir.Path() / "plain.lnk")), PathToUtf8(dir.Path() / "plain.txt"));
    EXPECT_EQ(TSysUtils::GetLnkFilePath(PathToUtf8(dir.Path() / "missing.lnk")), "");
}

TEST(SysUtilsWindows, ByteOrderMarksAndDates) {
    testing::TTempDir dir;
    testing::WriteFile(dir / "bom.txt", "\xEF\xBB\xBFtext");
    TSysUtils::RemoveUTFBoomFromFile(PathToUtf8(dir.Path() / "bom.txt"));
    EXPECT_EQ(testing::ReadFile(dir / "bom.txt"), testing::BytesOf("text"));
    EXPECT_THROW(TSysUtils::FilesHaveSameDateTime(PathToUtf8(dir.Path() / "bom.txt"), "Z:\\missing"), EFileError);
    EXPECT_TRUE(
        TSysUtils::FilesHaveSameDateTime(PathToUtf8(dir.Path() / "bom.txt"), PathToUtf8(dir.Path() / "bom.txt")));
}

}  // namespace
}  // namespace vellum
