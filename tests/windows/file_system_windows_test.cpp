// The page's file operations against Windows' own calls, under Wine: existence through links,
// DeleteFileW's refusals, one-level and forced folder creation, enumeration, and replacement
// that keeps the old file when the new one cannot take its place.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/errors.h"
#include "core/text/utf.h"
#include "platform/file_replacement.h"
#include "platform/file_system.h"
#include "test_files.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using testing::BytesOf;
using testing::ReadFile;
using testing::TTempDir;

std::string U8(const fs::path& path) {
    return PathToUtf8(path);
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(PathToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

void MakeReadOnly(const fs::path& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

TEST(FileSystemWindows, ExistenceDeletionAndFolders) {
    TTempDir dir;
    testing::WriteFile(dir / "a.txt", "a");
    testing::WriteFile(dir / "ro.txt", "ro");
    MakeReadOnly(dir / "ro.txt");
    fs::create_directory(dir / "folder");
    const std::string root = U8(dir.Path()) + "\\";
    EXPECT_TRUE(TFileSystem::IsFile(root + "a.txt"));
    EXPECT_TRUE(TFileSystem::IsFile(U8(dir.Path()) + "/a.txt")) << "forward slashes are the system's to read";
    EXPECT_TRUE(TFileSystem::IsFile(root + "folder\\..\\a.txt"));
    EXPECT_FALSE(TFileSystem::IsFile(root + "folder"));
    EXPECT_FALSE(TFileSystem::IsFile(root + "a?.txt"));
    EXPECT_FALSE(TFileSystem::IsFile(""));
    EXPECT_TRUE(TFileSystem::IsDirectory(root + "folder"));
    EXPECT_FALSE(TFileSystem::IsDirectory(root + "a.txt"));
    EXPECT_FALSE(TFileSystem::IsDirectory(root + std::string(300, 'x')));

    EXPECT_FALSE(TFileSystem::RemoveFile(root + "ro.txt")) << "DeleteFileW keeps read-only files";
    EXPECT_FALSE(TFileSystem::RemoveFile(root + "folder"));
    EXPECT_FALSE(TFileSystem::RemoveFile(root + "missing"));
    EXPECT_TRUE(TFileSystem::RemoveFile(root + "a.txt"));

    EXPECT_FALSE(TFileSystem::MakeDirectory(root + "no\\parent"));
    EXPECT_FALSE(fs::exists(dir / "no"));
    EXPECT_TRUE(TFileSystem::MakeDirectory(root + "one"));
    EXPECT_FALSE(TFileSystem::MakeDirectory(root + "one")) << "it exists";
    TFileSystem::MakeDirectories(root + "deep\\\\er/still\\");
    EXPECT_TRUE(fs::is_directory(dir / "deep" / "er" / "still"));
    EXPECT_THROW(TFileSystem::MakeDirectories(root + "ro.txt\\sub"), EFileError);

    testing::WriteFile(dir / "one" / "x.txt", "x");
    EXPECT_TRUE(TFileSystem::RemoveDirectoryTree(root + "one"));
    EXPECT_FALSE(fs::exists(dir / "one"));
    EXPECT_FALSE(TFileSystem::RemoveDirectoryTree(root + "one"));
    EXPECT_FALSE(TFileSystem::RemoveDirectoryTree(root + "ro.txt"));
    SetFileAttributesW((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSystemWindows, ForEachEntryNamesFilesAndFolders) {
    TTempDir dir;
    fs::create_directory(dir / "sub");
    testing::WriteFile(dir / "a.txt", "a");
    testing::WriteFile(dir.Path() / PathFromUtf8("\xC3\xA9.txt"), "e");
    std::vector<std::string> seen;
    TFileSystem::ForEachEntry(U8(dir.Path()), [&](const std::string& name, bool isFolder) {
        seen.push_back(name + (isFolder ? "/" : ""));
    });
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"a.txt", "sub/", "\xC3\xA9.txt"}));
    EXPECT_THROW(TFileSystem::ForEachEntry(U8(dir / "missing"), [](const std::string&, bool) {}), EFileError);
}

TEST(FileSystemWindows, AReplacementThatCannotBeCompletedKeepsTheOldFile) {
    TTempDir dir;
    const fs::path readOnly = dir / "ro.txt";
    const fs::path locked = dir / "locked.txt";
    testing::WriteFile(readOnly, "read-only");
    testing::WriteFile(locked, "locked");
    MakeReadOnly(readOnly);
    fs::create_directory(dir / "folder");
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::string big(4 << 20, 'n');
    for (const fs::path& target : {readOnly, locked, dir / "folder"}) {
        SCOPED_TRACE(U8(target));
        try {
            ReplaceFileContents(U8(target), [&](TStream& stream) { stream.Write(big.data(), big.size()); });
            ADD_FAILURE() << "replaced";
        } catch (const EFileError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Cannot create file \"" + U8(target) + "\". ", 0), 0u) << error.what();
        }
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadFile(readOnly), BytesOf("read-only"));
    EXPECT_EQ(ReadFile(locked), BytesOf("locked"));
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "locked.txt", "ro.txt"}));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // An error of the content's producer part way: the same.
    EXPECT_THROW(ReplaceFileContents(U8(locked),
                                     [](TStream& stream) {
                                         stream.Write("half", 4);
                                         throw EConvertError("encoding failed");
                                     }),
                 EConvertError);
    EXPECT_EQ(ReadFile(locked), BytesOf("locked"));
    ReplaceFileContents(U8(locked), [](TStream& stream) { stream.Write("new", 3); });
    EXPECT_EQ(ReadFile(locked), BytesOf("new"));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "locked.txt", "ro.txt"}));
}

}  // namespace
}  // namespace vellum
