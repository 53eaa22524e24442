// The runtime's archive mapped with CreateFileMappingW and MapViewOfFile: a real executable with
// an archive appended, read entry by entry from the view, on two threads, and the file kept
// from shrinking while the view exists.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/system/mapped_file.h"
#include "core/text/utf.h"
#include "test_archives.h"

namespace vellum {
namespace {

using testing::TBytes;

class TPackagedCopy final : public IOwnExecutable {
public:
    explicit TPackagedCopy(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return RunningExecutable().ImageEnd(); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw std::logic_error("no archive"); }

private:
    std::filesystem::path path_;
};

std::vector<testing::TArchiveFile> Files() {
    return {{"vlm.ini", testing::BytesOf("[App]\nID=w\n")},
            {"app/data.bin", testing::PseudoRandomBytes(123457, 3), true},
            {"app/large.bin", testing::PseudoRandomBytes(3 << 20, 4)},
            {"app/empty.txt", {}}};
}

TEST(MappedArchiveOnWindows, AnAppendedArchiveIsReadFromTheViewOnTwoThreads) {
    testing::TTempDir dir;
    const std::filesystem::path copy = dir.Path() / PathFromUtf8("pr\xC3\xBC" "fung.exe");
    std::filesystem::copy_file(RunningExecutable().Path(), copy);
    const TBytes zip = testing::MakeArchive(Files(), ArchivePassword());
    testing::WriteFile(dir / "archive.zip", zip);
    const TPackagedCopy executable(copy);
    TExeUtils utils(executable);
    utils.AppendZipToExe(dir / "archive.zip", copy);

    const std::unique_ptr<TMappedFile> mapped = utils.MapZipFromExe();
    ASSERT_EQ(mapped->Size(), static_cast<std::int64_t>(zip.size()));
    TBytes bytes(zip.size());
    ASSERT_TRUE(mapped->ReadExactAt(0, bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, zip) << "the view starts at the archive's first byte, off the allocation granularity";

    // While the view exists the file cannot be cut, so the reader never reads past its end.
    {
        const HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER shorter{};
        shorter.QuadPart = 100;
        EXPECT_TRUE(SetFilePointerEx(file, shorter, nullptr, FILE_BEGIN));
        EXPECT_FALSE(SetEndOfFile(file)) << "a mapped file keeps its length";
        CloseHandle(file);
    }

    TZipArchive archive;
    archive.SetPassword(ArchivePassword());
    archive.Open(*mapped);
    const auto files = Files();
    EXPECT_EQ(testing::WrongReadsFromTwoThreads(archive, files, 4), 0);
}

TEST(MappedArchiveOnWindows, WhatCannotBeMappedIsRefusedNamingThePath) {
    testing::TTempDir dir;
    testing::WriteFile(dir / "f.bin", std::string(100, 'f'));
    std::filesystem::create_directories(dir / "folder");
    struct TCase {
        const char* what;
        std::filesystem::path path;
        std::int64_t offset;
    };
    const TCase cases[] = {
        {"missing", dir / "missing.bin", 0},
        {"an offset past the end", dir / "f.bin", 101},
        {"a folder", dir / "folder", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            TMappedFile mapped(c.path, c.offset);
            ADD_FAILURE() << "mapped";
        } catch (const EFileError& error) {
            EXPECT_NE(std::string(error.what()).find(PathToUtf8(c.path.filename())), std::string::npos)
                << error.what();
        }
    }
    const TMappedFile atTheEnd(dir / "f.bin", 100);
    EXPECT_EQ(atTheEnd.Size(), 0);
}

}  // namespace
}  // namespace vellum
