#include <windows.h>

#include <gtest/gtest.h>

#include "core/archive/calculations.h"
#include "core/archive/exe_utils.h"
#include "core/archive/pe_image.h"
#include "core/archive/zip_archive.h"
#include "core/text/utf.h"
#include "test_archives.h"

namespace vellum {
namespace {

using testing::TBytes;

TEST(RunningModule, ImageEndComesFromTheMappedSectionTable) {
    const IOwnExecutable& running = RunningExecutable();
    const std::uint32_t imageEnd = running.ImageEnd();
    EXPECT_GT(imageEnd, 0u);
    EXPECT_EQ(ComputePeImageEndOfFile(running.Path()), imageEnd) << "the file on disk follows the same rule";
    // The test executable carries no archive: its file ends where its image does.
    EXPECT_EQ(std::filesystem::file_size(running.Path()), imageEnd);
    EXPECT_FALSE(TExeUtils().ExeHasAttachedStub());
}

// The running test executable's image, with a copy of its file as "the executable", so that
// the copy can carry an archive while the image end still comes from the mapped module.
class TPackagedCopy final : public IOwnExecutable {
public:
    explicit TPackagedCopy(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return RunningExecutable().ImageEnd(); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw std::logic_error("no archive"); }

private:
    std::filesystem::path path_;
};

TEST(ExeUtilsOnWindows, ArchiveAppendedToARealExecutableComesBack) {
    testing::TTempDir dir;
    // A name beyond ASCII: paths must reach Win32 as UTF-16, not through the ANSI code page.
    const std::filesystem::path copy = dir.Path() / PathFromUtf8(
                                                        "pr\xC3\xBC"
                                                        "fung \xE6\xB5\x8B\xE8\xAF\x95.exe");
    std::filesystem::copy_file(RunningExecutable().Path(), copy);
    const TBytes zip = testing::MakeArchive({{"vlm.ini", testing::BytesOf("\xEF\xBB\xBF[App]\nID=w\n")},
                                             {"app/data.bin", testing::PseudoRandomBytes(123457, 3), true}},
                                            ArchivePassword());
    testing::WriteFile(dir / "archive.zip", zip);

    const TPackagedCopy executable(copy);
    TExeUtils utils(executable);
    EXPECT_FALSE(utils.ExeHasAttachedStub());
    std::vector<std::int64_t> positions;
    std::int64_t maximum = -1;
    utils.SetOnProgressMax([&](TExeUtils&, std::int64_t max) { maximum = max; });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t position) { positions.push_back(position); });
    utils.AppendZipToExe(dir / "archive.zip", copy);
    EXPECT_TRUE(utils.ExeHasAttachedStub());
    EXPECT_EQ(maximum, static_cast<std::int64_t>(zip.size()));
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.back(), static_cast<std::int64_t>(zip.size()));
    EXPECT_EQ(positions.size(), (zip.size() + 10239) / 10240);

    TMemoryStream memory;
    utils.GetZipFromExe(memory);
    EXPECT_EQ(memory.Bytes(), zip);
    utils.ExtractZipFromExe(dir.Path() / PathFromUtf8("\xC3\xA9xtrait.zip"));
    EXPECT_EQ(testing::ReadFile(dir.Path() / PathFromUtf8("\xC3\xA9xtrait.zip")), zip);

    memory.SetPosition(0);
    TZipArchive archive;
    archive.SetPassword(ArchivePassword());
    archive.Open(memory);
    TMemoryStream data;
    EXPECT_EQ(archive.ExtractToStreamChecked("APP/DATA.BIN", data), TExtractResult::Ok);
    EXPECT_EQ(data.Bytes(), testing::PseudoRandomBytes(123457, 3));
}

}  // namespace
}  // namespace vellum
