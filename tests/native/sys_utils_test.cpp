// The portable parts of the system utilities, and the POSIX implementation.
#include "platform/sys_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "core/errors.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::BytesOf;

// "E,00:1A:2B:3C:4D:5E": a type letter, a comma, six upper-case hexadecimal pairs.
bool IsMacAddressEntry(const std::string& entry) {
    if (entry.size() != 19 || std::string("EWU").find(entry[0]) == std::string::npos || entry[1] != ',') return false;
    for (std::size_t i = 2; i < entry.size(); ++i) {
        const bool separator = (i - 2) % 3 == 2;
        const char c = entry[i];
        if (separator ? c != ':' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

TEST(FormatByteSize, ChoosesTheUnitByStrictComparison) {
    struct TCase {
        std::int64_t bytes;
        const char* point;
        const char* comma;
    };
    const TCase cases[] = {
        {0, "0 bytes", "0 bytes"},
        {1024, "1024 bytes", "1024 bytes"},
        {1025, "1 KB", "1 KB"},
        {1536, "1.5 KB", "1,5 KB"},
        {1048576, "1024 KB", "1024 KB"},
        {1048577 + 5000, "1 MB", "1 MB"},
        {1073741825, "1 GB", "1 GB"},
        {1073741824LL * 3 + 1073741824LL / 4, "3.25 GB", "3,25 GB"},
        {1024 * 1024 + 1024 * 1024 / 3, "1.33 MB", "1,33 MB"},
        {5LL * 1073741824 * 1024, "5120 GB", "5120 GB"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(FormatByteSizeWith(c.bytes, "."), c.point);
        EXPECT_EQ(FormatByteSizeWith(c.bytes, ","), c.comma);
    }
}

TEST(MacAddressEntry, HasTheDocumentedFormat) {
    const std::uint8_t address[6] = {0x00, 0x1a, 0x2B, 0xff, 0x04, 0x50};
    EXPECT_EQ(FormatMacAddressEntry('E', address), "E,00:1A:2B:FF:04:50");
    EXPECT_TRUE(IsMacAddressEntry("W,00:1A:2B:FF:04:50"));
    EXPECT_FALSE(IsMacAddressEntry("W,00:1a:2B:FF:04:50"));
}

class SysUtilsPosix : public ::testing::Test {
protected:
    testing::TTempDir dir;
    std::string root = dir.Path().string();
};

TEST_F(SysUtilsPosix, FoldersEndInADelimiterAndFollowXdg) {
    for (const std::string& path : {TSysUtils::GetTempDirPath(), TSysUtils::GetUserDesktopDirPath(),
                                    TSysUtils::GetUserDocumentsDirPath(), TSysUtils::GetUserAppDataDirPath(),
                                    TSysUtils::GetLocalAppDataDirPath(), TSysUtils::GetProgramFilesDirPath()}) {
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), '/') << path;
    }
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string savedValue = saved ? saved : "";
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    EXPECT_EQ(TSysUtils::GetLocalAppDataDirPath(), root + "/");
    if (saved)
        setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(TSysUtils::GetSystemAppsDirPath(), "/") << "no such folder: a lone delimiter";
    EXPECT_EQ(TSysUtils::LastErrorCode(), static_cast<std::uint32_t>(ENOTSUP));
    EXPECT_EQ(TSysUtils::GetParentDirPath(root + "/a/b"), root + "/a/");
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("x/../y.txt", root), root + "/y.txt");
    EXPECT_EQ(TSysUtils::ExpandFileNameRelBaseDir("/etc/./hosts", root), "/etc/hosts");
}

TEST_F(SysUtilsPosix, GetDosOutputCollectsEverythingTheCommandWrites) {
    const std::string longOutput = TSysUtils::GetDosOutput("for i in $(seq 1 100); do echo line $i; done", "", false);
    EXPECT_EQ(std::count(longOutput.begin(), longOutput.end(), '\n'), 100);
    EXPECT_NE(longOutput.find("line 100\n"), std::string::npos);
    EXPECT_EQ(TSysUtils::GetDosOutput("echo out; echo err 1>&2", "", false), "out\nerr\n");
    EXPECT_EQ(TSysUtils::GetDosOutput("true", "", false), "");
    EXPECT_NE(TSysUtils::GetDosOutput("no-such-command-vellum", "", false).find("not found"), std::string::npos);
    EXPECT_EQ(TSysUtils::GetDosOutput("pwd", root, false), root + "\n");
    EXPECT_EQ(TSysUtils::GetDosOutput("pwd", root + "/missing", false), "") << "a missing folder starts nothing";
    EXPECT_EQ(TSysUtils::GetDosOutput("printf 'caf\\303\\251'", "", false), "caf\xC3\xA9");
}

TEST_F(SysUtilsPosix, ProcessesReportTheirExitCodes) {
    EXPECT_EQ(TSysUtils::ExecAndWait(VELLUM_EXIT_WITH " 42 10"), 42);
    EXPECT_EQ(TSysUtils::ExecAndWait("exit 3"), 3);
    EXPECT_EQ(TSysUtils::ExecAndWait("/no/such/program"), 127);
    TSysUtils::ExecCmd("echo done > '" + root + "/flag'", true);
    EXPECT_EQ(testing::ReadFile(dir / "flag"), BytesOf("done\n"));
    EXPECT_EQ(TSysUtils::ShellExecAsAdminAndWait(nullptr, VELLUM_EXIT_WITH, "5"), 0);
    EXPECT_EQ(TSysUtils::LastErrorCode(), static_cast<std::uint32_t>(ENOTSUP));
    EXPECT_FALSE(TSysUtils::ExitWindows(5));
    EXPECT_EQ(TSysUtils::LastErrorCode(), static_cast<std::uint32_t>(ENOTSUP));
}

// A page's address reaches ShellExec inside the parameters of a new instance. Whatever it holds
// must arrive as text, never run: the program gets it as one argument and no marker appears.
TEST_F(SysUtilsPosix, ShellExecPassesParametersAsArgumentsWithoutAShell) {
    const std::string marker = root + "/marker";
    const std::string program = root + "/record-arguments";
    testing::WriteFile(program, "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" + root + "/args.part'\nmv '" + root +
                                    "/args.part' '" + root + "/args'\n");
    ASSERT_EQ(chmod(program.c_str(), 0755), 0);
    const std::string touch = "touch " + marker;
    struct TCase {
        std::string Parameters;
        std::vector<std::string> Arguments;
    };
    const TCase cases[] = {
        {"\"AppID\" \"file:///x.html;" + touch + "\"", {"AppID", "file:///x.html;" + touch}},
        {"\"AppID\" \"file:///x.html$(" + touch + ")\"", {"AppID", "file:///x.html$(" + touch + ")"}},
        {"\"AppID\" \"file:///x`" + touch + "`.html\"", {"AppID", "file:///x`" + touch + "`.html"}},
        {"\"AppID\" \"file:///x.html && " + touch + "\"", {"AppID", "file:///x.html && " + touch}},
        {"\"AppID\" \"file:///x.html | " + touch + "\"", {"AppID", "file:///x.html | " + touch}},
        {"\"AppID\" \"file:///x'; " + touch + "; '.html\"", {"AppID", "file:///x'; " + touch + "; '.html"}},
        {"\"AppID\" \"file:///x\\\"; " + touch + "; \\\".html\"", {"AppID", "file:///x\"; " + touch + "; \".html"}},
        {"AppID file:///x.html;" + touch, {"AppID", "file:///x.html;touch", marker}},
        // The Windows rules for quotes and backslashes.
        {R"(a\\"b c" d)", {R"(a\b c)", "d"}},
        {R"("a""b" \\\"c)", {R"(a"b)", R"(\"c)"}},
        {"\"\" a\\b\t \"tab\tin\"", {"", R"(a\b)", "tab\tin"}},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(item.Parameters);
        std::filesystem::remove(dir / "args");
        std::filesystem::remove(marker);
        ASSERT_TRUE(TSysUtils::ShellExec(program, item.Parameters));
        for (int waited = 0; waited < 500 && !std::filesystem::exists(dir / "args"); ++waited) usleep(10'000);
        const testing::TBytes written = testing::ReadFile(dir / "args");
        std::vector<std::string> received;
        for (std::size_t start = 0; start < written.size();) {
            const auto end = std::find(written.begin() + static_cast<std::ptrdiff_t>(start), written.end(), 0);
            received.emplace_back(written.begin() + static_cast<std::ptrdiff_t>(start), end);
            start = static_cast<std::size_t>(end - written.begin()) + 1;
        }
        EXPECT_EQ(received, item.Arguments);
        EXPECT_FALSE(std::filesystem::exists(marker)) << "a command ran";
    }
    EXPECT_FALSE(TSysUtils::ShellExec(root + "/missing", "\"a\""));
    EXPECT_EQ(TSysUtils::LastErrorCode(), static_cast<std::uint32_t>(ENOENT));
}

TEST_F(SysUtilsPosix, FileOperationsListingsAndSizes) {
    testing::WriteFile(dir / "tree" / "a.txt", "12345");
    testing::WriteFile(dir / "tree" / "b.js", "1234567");
    testing::WriteFile(dir / "tree" / "sub" / "deep.txt", "xx");
    std::filesystem::create_directories(dir / "tree" / "empty");

    std::vector<std::string> listing = {"stale"};
    TSysUtils::GetDirectoryFiles(root + "/tree", true, listing, "*.*");
    ASSERT_EQ(listing.size(), 4u);
    EXPECT_TRUE(std::filesystem::is_directory(listing[0]) && std::filesystem::is_directory(listing[1]))
        << "folders come first";
    TSysUtils::GetDirectoryFiles(root + "/tree", false, listing, "*.txt");
    EXPECT_EQ(listing, std::vector<std::string>{root + "/tree/a.txt"});
    TSysUtils::GetDirectoryFiles(root + "/missing", true, listing, "*.*");
    EXPECT_TRUE(listing.empty());
    EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(root + "/tree"), 2);
    EXPECT_EQ(TSysUtils::GetSubdirectoriesCount(root + "/missing"), 0);
    EXPECT_EQ(TSysUtils::GetSizeOfDir(root + "/tree", true), 12) << "subfolders are not descended into";
    EXPECT_EQ(TSysUtils::GetSizeOfFile(root + "/tree/b.js"), 7);
    EXPECT_EQ(TSysUtils::GetSizeOfFile(root + "/tree/none"), -1);

    ASSERT_TRUE(TSysUtils::CopyFile(root + "/tree/a.txt", root + "/copy.txt"));
    EXPECT_EQ(testing::ReadFile(dir / "copy.txt"), BytesOf("12345"));
    ASSERT_TRUE(TSysUtils::CopyDirectory(root + "/tree", root + "/tree2"));
    EXPECT_EQ(testing::ReadFile(dir / "tree2" / "sub" / "deep.txt"), BytesOf("xx"));
    EXPECT_TRUE(TSysUtils::DeleteDirectory(root + "/tree2"));
    EXPECT_FALSE(std::filesystem::exists(dir / "tree2"));
    EXPECT_FALSE(TSysUtils::DeleteDirectory(root + "/tree2")) << "a missing folder";
}

TEST_F(SysUtilsPosix, SizeOfAFileBeyond4GiBIsExact) {
    const std::string path = root + "/sparse.bin";
    { std::ofstream file(path, std::ios::binary); }
    ASSERT_EQ(truncate(path.c_str(), 5LL * 1024 * 1024 * 1024 + 3), 0);
    EXPECT_EQ(TSysUtils::GetSizeOfFile(path), 5LL * 1024 * 1024 * 1024 + 3);
}

TEST_F(SysUtilsPosix, DatesAndByteOrderMarks) {
    testing::WriteFile(dir / "one", "1");
    std::filesystem::copy_file(dir / "one", dir / "two");
    std::filesystem::last_write_time(dir / "two", std::filesystem::last_write_time(dir / "one"));
    EXPECT_TRUE(TSysUtils::FilesHaveSameDateTime(root + "/one", root + "/two"));
    std::filesystem::last_write_time(dir / "two",
                                     std::filesystem::last_write_time(dir / "one") + std::chrono::seconds(2));
    EXPECT_FALSE(TSysUtils::FilesHaveSameDateTime(root + "/one", root + "/two"));
    EXPECT_THROW(TSysUtils::FilesHaveSameDateTime(root + "/one", root + "/missing"), EFileError);

    std::string big(3 << 20, 'b');
    testing::WriteFile(dir / "bom.txt", "\xEF\xBB\xBF" + big);
    TSysUtils::RemoveUTFBoomFromFile(root + "/bom.txt");
    EXPECT_EQ(testing::ReadFile(dir / "bom.txt"), BytesOf(big)) << "more than one 1 MiB step";
    testing::WriteFile(dir / "plain.txt", "plain");
    TSysUtils::RemoveUTFBoomFromFile(root + "/plain.txt");
    EXPECT_EQ(testing::ReadFile(dir / "plain.txt"), BytesOf("plain"));
    testing::WriteFile(dir / "short.txt", "ab");
    EXPECT_THROW(TSysUtils::RemoveUTFBoomFromFile(root + "/short.txt"), EFileError);
    EXPECT_EQ(testing::ReadFile(dir / "short.txt"), BytesOf("ab"));
    EXPECT_THROW(TSysUtils::RemoveUTFBoomFromFile(root + "/missing.txt"), EFileError);
}

TEST_F(SysUtilsPosix, NamesAndIdentity) {
    EXPECT_TRUE(TSysUtils::IsValidFilePath("/tmp/a file.txt"));
    EXPECT_FALSE(TSysUtils::IsValidFilePath(""));
    EXPECT_FALSE(TSysUtils::IsValidFilePath(std::string("a\0b", 3)));
    EXPECT_FALSE(TSysUtils::IsValidFilePath("/tmp/" + std::string(256, 'x')));
    EXPECT_FALSE(TSysUtils::GetUserFromWindows().empty());
    EXPECT_FALSE(TSysUtils::GetComputerNetName().empty());
    std::vector<std::string> addresses = {"stale"};
    TSysUtils::GetMacAddresses(addresses);
    for (const std::string& entry : addresses) {
        EXPECT_TRUE(IsMacAddressEntry(entry)) << entry;
        EXPECT_NE(entry.substr(2), "00:00:00:00:00:00");
    }
    std::vector<std::string> captions = {"stale"};
    TSysUtils::GetWindowsCaptions(captions);
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(TSysUtils::LastErrorCode(), static_cast<std::uint32_t>(ENOTSUP));
}

TEST(CheckEdgeIsInstalled, AsksTheLoadersExportForAVersion) {
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled("/no/such/loader.so"));
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(VELLUM_EXIT_WITH)) << "not a library";
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(VELLUM_FAKE_LOADER_NONE)) << "no export";
    EXPECT_FALSE(TSysUtils::CheckEdgeIsInstalled(VELLUM_FAKE_LOADER_EMPTY)) << "an empty version";
    EXPECT_TRUE(TSysUtils::CheckEdgeIsInstalled(VELLUM_FAKE_LOADER_VERSION));
}

}  // namespace
}  // namespace vellum
