#include "core/archive/exe_utils.h"

#include <gtest/gtest.h>

#include "core/archive/pe_image.h"
#include "test_archives.h"

namespace vellum {
namespace {

using testing::TBytes;

struct TNoArchive {};

// An executable of the test's choosing in place of the running one.
class TFakeExecutable final : public IOwnExecutable {
public:
    explicit TFakeExecutable(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return ComputePeImageEndOfFile(path_).value_or(0); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw TNoArchive{}; }

private:
    std::filesystem::path path_;
};

class ExeUtilsTest : public ::testing::Test {
protected:
    testing::TTempDir dir;
    TBytes image = testing::MakePeImage({{0x400, 0x1800}, {0x1C00, 0x234}});
    std::filesystem::path exe = dir / "app.exe";
    TFakeExecutable executable{exe};
    TExeUtils utils{executable};
};

TEST_F(ExeUtilsTest, AnArchiveIsWhateverFollowsTheImage) {
    testing::WriteFile(exe, image);
    EXPECT_FALSE(utils.ExeHasAttachedStub()) << "size equal to the image end";

    testing::WriteFile(exe, TBytes(image.begin(), image.end() - 10));
    EXPECT_FALSE(utils.ExeHasAttachedStub()) << "cut inside the last section";

    TBytes withOneByte = image;
    withOneByte.push_back(0);
    testing::WriteFile(exe, withOneByte);
    EXPECT_TRUE(utils.ExeHasAttachedStub());

    const TFakeExecutable missingExecutable(dir / "missing.exe");
    TExeUtils missing{missingExecutable};
    EXPECT_FALSE(missing.ExeHasAttachedStub()) << "an unreadable size gives false";
}

TEST_F(ExeUtilsTest, AppendedArchiveComesBackByteForByte) {
    testing::WriteFile(exe, image);
    const TBytes zip = testing::MakeArchive(
        {{"vlm.ini", testing::BytesOf("[App]\nID=x\n")}, {"app/big.bin", testing::PseudoRandomBytes(50000, 9)}}, "pw");
    testing::WriteFile(dir / "archive.zip", zip);

    utils.AppendZipToExe(dir / "archive.zip", exe);
    TBytes expected = image;
    expected.insert(expected.end(), zip.begin(), zip.end());
    EXPECT_EQ(testing::ReadFile(exe), expected);
    EXPECT_TRUE(utils.ExeHasAttachedStub());

    TMemoryStream memory(testing::BytesOf("old content longer than nothing"));
    utils.GetZipFromExe(memory);
    EXPECT_EQ(memory.Bytes(), zip);
    TMemoryStream longer(TBytes(zip.size() + 5000, 0xEE));
    utils.GetZipFromExe(longer);
    EXPECT_EQ(longer.Bytes(), zip) << "nothing of the old content is left behind the archive";

    utils.ExtractZipFromExe(dir / "copy.zip");
    EXPECT_EQ(testing::ReadFile(dir / "copy.zip"), zip);
    testing::WriteFile(dir / "copy.zip", std::string(200000, 'z'));
    utils.ExtractZipFromExe(dir / "copy.zip");
    EXPECT_EQ(testing::ReadFile(dir / "copy.zip"), zip) << "an existing file is replaced";
}

TEST_F(ExeUtilsTest, ProgressReportsTheMaximumOnceThenRunningTotals) {
    testing::WriteFile(exe, image);
    const std::size_t size = 10240 * 3 + 17;
    testing::WriteFile(dir / "archive.zip", testing::PseudoRandomBytes(size, 4));
    std::vector<std::int64_t> maxima, positions;
    utils.SetOnProgressMax([&](TExeUtils& sender, std::int64_t max) {
        EXPECT_EQ(&sender, &utils);
        maxima.push_back(max);
    });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t position) { positions.push_back(position); });

    utils.AppendZipToExe(dir / "archive.zip", exe);
    EXPECT_EQ(maxima, std::vector<std::int64_t>{static_cast<std::int64_t>(size)});
    EXPECT_EQ(positions, (std::vector<std::int64_t>{10240, 20480, 30720, static_cast<std::int64_t>(size)}));

    maxima.clear();
    positions.clear();
    TMemoryStream memory;
    utils.GetZipFromExe(memory);
    EXPECT_EQ(maxima, std::vector<std::int64_t>{static_cast<std::int64_t>(size)});
    EXPECT_EQ(positions, (std::vector<std::int64_t>{10240, 20480, 30720, static_cast<std::int64_t>(size)}));
}

TEST_F(ExeUtilsTest, CopyingFromAnExecutableWithoutArchiveReportsIt) {
    testing::WriteFile(exe, image);
    TMemoryStream memory;
    EXPECT_THROW(utils.GetZipFromExe(memory), TNoArchive);
    EXPECT_THROW(utils.ExtractZipFromExe(dir / "out.zip"), TNoArchive);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.zip"));
    testing::WriteFile(exe, TBytes(image.begin(), image.begin() + 0x800));
    EXPECT_THROW(utils.GetZipFromExe(memory), TNoArchive) << "a file shorter than its image";
}

TEST_F(ExeUtilsTest, LocatesTheArchiveOfAFileOnDisk) {
    TBytes packaged = image;
    packaged.insert(packaged.end(), 123, 0x55);
    testing::WriteFile(exe, packaged);
    const auto location = TExeUtils::LocateArchive(exe);
    ASSERT_TRUE(location.has_value());
    EXPECT_EQ(location->ImageEnd, 0x1E34);
    EXPECT_EQ(location->ArchiveSize(), 123);
    testing::WriteFile(dir / "notes.txt", "plain text");
    EXPECT_FALSE(TExeUtils::LocateArchive(dir / "notes.txt").has_value());
}

}  // namespace
}  // namespace vellum
