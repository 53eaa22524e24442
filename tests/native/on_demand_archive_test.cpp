// The runtime reads its archive where it lies in the executable (mapped), entry by entry: it
// must give exactly what the reader over an in-memory copy gives, for intact, damaged and cut
// archives, and from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "core/archive/exe_utils.h"
#include "core/archive/pe_image.h"
#include "core/archive/zip_archive.h"
#include "core/archive/zip_format.h"
#include "core/errors.h"
#include "core/system/mapped_file.h"
#include "test_archives.h"

namespace vellum {
namespace {

using namespace zipformat;
using testing::BytesOf;
using testing::TBytes;

const std::string kPassword = "on-demand";

struct TNoArchive {};

class TFakeExecutable final : public IOwnExecutable {
public:
    explicit TFakeExecutable(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path Path() const override { return path_; }
    std::uint32_t ImageEnd() const override { return ComputePeImageEndOfFile(path_).value_or(0); }
    [[noreturn]] void ReportNoArchiveAndExit() const override { throw TNoArchive{}; }

private:
    std::filesystem::path path_;
};

// A memory stream that pauses inside every read, as a disk would: a reader that moved a shared
// position between another thread's seek and read would then read the wrong bytes every time.
class TPausingStream final : public TStream {
public:
    explicit TPausingStream(TBytes bytes) : inner_(std::move(bytes)) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return inner_.Read(buffer, count);
    }
    void Write(const void* buffer, std::size_t count) override { inner_.Write(buffer, count); }
    std::int64_t Position() const override { return inner_.Position(); }
    void SetPosition(std::int64_t position) override { inner_.SetPosition(position); }
    std::int64_t Size() const override { return inner_.Size(); }
    void SetSize(std::int64_t size) override { inner_.SetSize(size); }

private:
    TMemoryStream inner_;
};

std::vector<testing::TArchiveFile> SampleFiles() {
    TBytes mixed = testing::PseudoRandomBytes(1 << 20, 3);  // deflated and over a megabyte: decrypted ahead
    const TBytes text = BytesOf(std::string(1 << 20, 'q'));
    mixed.insert(mixed.end(), text.begin(), text.end());
    return {{"vlm.ini", BytesOf("[App]\nID=demo\nName=Demo\nDirName=app\n")},
            {"app/index.html", BytesOf("<h1>" + std::string(3000, 'h') + "</h1>"), true},
            {"app/empty.txt", {}},
            {"app/data.bin", testing::PseudoRandomBytes(300000, 4)},
            {"app/big.bin", mixed, true}};
}

// What a reader shows of its archive: every entry's fields, outcome and bytes.
struct TReading {
    bool Opened = false;
    std::string Error;
    std::vector<std::string> Lines;
    bool operator==(const TReading&) const = default;
};

TReading ReadAll(const std::function<void(TZipArchive&)>& open) {
    TReading reading;
    TZipArchive archive;
    archive.SetPassword(kPassword);
    try {
        open(archive);
    } catch (const EArchiveError& error) {
        reading.Error = error.what();
        return reading;
    }
    reading.Opened = true;
    for (int i = 0; i < archive.FileCount(); ++i) {
        const TZipEntry& entry = archive.FileInfo(i);
        TMemoryStream target;
        const TExtractResult result = archive.ExtractToStreamChecked(i, target);
        reading.Lines.push_back(entry.Name + " " + std::to_string(entry.Crc32) + " " +
                                std::to_string(entry.UncompressedSize) + " " + DescribeExtractResult(result) + " " +
                                std::to_string(target.Size()) + " " + std::to_string(archive.FindFile(entry.Name)));
        reading.Lines.push_back(target.ToString());
    }
    return reading;
}

class OnDemandArchiveTest : public ::testing::Test {
protected:
    void Package(const TBytes& zip) {
        TBytes file = image;
        file.insert(file.end(), zip.begin(), zip.end());
        testing::WriteFile(exe, file);
    }

    TReading ReadMapped() {
        const std::unique_ptr<TMappedFile> mapped = utils.MapZipFromExe();
        return ReadAll([&](TZipArchive& reader) { reader.Open(*mapped); });
    }
    TReading ReadCopied() {
        TMemoryStream memory;
        utils.GetZipFromExe(memory);
        return ReadAll([&](TZipArchive& reader) { reader.Open(memory); });
    }

    testing::TTempDir dir;
    TBytes image = testing::MakePeImage({{0x400, 0x1800}, {0x1C00, 0x234}});
    std::filesystem::path exe = dir / "app.exe";
    TFakeExecutable executable{exe};
    TExeUtils utils{executable};
    TBytes archive = testing::MakeArchive(SampleFiles(), kPassword);
};

TEST_F(OnDemandArchiveTest, MappedArchiveGivesTheSameEntriesAndBytesAsTheCopy) {
    Package(archive);
    const std::unique_ptr<TMappedFile> mapped = utils.MapZipFromExe();
    ASSERT_EQ(mapped->Size(), static_cast<std::int64_t>(archive.size()));
    TBytes bytes(archive.size());
    ASSERT_TRUE(mapped->ReadExactAt(0, bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, archive) << "the mapping starts at the archive's first byte";

    const TReading mappedReading = ReadMapped();
    ASSERT_TRUE(mappedReading.Opened) << mappedReading.Error;
    EXPECT_EQ(mappedReading, ReadCopied());
    const auto files = SampleFiles();
    ASSERT_EQ(mappedReading.Lines.size(), files.size() * 2);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].Name);
        EXPECT_NE(mappedReading.Lines[2 * i].find(" ok "), std::string::npos) << mappedReading.Lines[2 * i];
        EXPECT_EQ(mappedReading.Lines[2 * i + 1], std::string(files[i].Data.begin(), files[i].Data.end()));
    }
}

TEST_F(OnDemandArchiveTest, DamagedAndCutArchivesReadAsTheCopyReadsThem) {
    const std::size_t central = GetU32(&archive[archive.size() - kEndOfCentralDirectorySize + 16]);
    struct TCase {
        const char* what;
        std::size_t cutTo;        // the archive's length, or 0 to keep it whole
        std::size_t flipAt;       // a byte to change, or SIZE_MAX for none
    };
    const TCase cases[] = {
        {"cut inside the end record", archive.size() - 5, SIZE_MAX},
        {"cut inside the central directory", central + 30, SIZE_MAX},
        {"cut inside the last entry's data", central - 1000, SIZE_MAX},
        {"cut to one byte", 1, SIZE_MAX},
        {"data of the settings changed", 0, 30 + 7 + 12 + 5},
        {"a local header's signature", 0, 0},
        {"a central record's CRC", 0, central + 16},
        {"a central record's size", 0, central + 21},
        {"the end record's directory offset", 0, archive.size() - 5},
        {"late in the big deflated entry", 0, central - 300},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TBytes damaged = archive;
        if (c.cutTo != 0) damaged.resize(c.cutTo);
        if (c.flipAt != SIZE_MAX) damaged[c.flipAt] ^= 0x5A;
        Package(damaged);
        const TReading mapped = ReadMapped();
        EXPECT_EQ(mapped, ReadCopied());
        TMemoryStream intact(archive);
        EXPECT_NE(mapped, ReadAll([&](TZipArchive& reader) { reader.Open(intact); })) << "the damage shows";
    }
}

TEST_F(OnDemandArchiveTest, RandomDamageReadsTheSameMappedAndCopied) {
    std::mt19937 random(20261211);
    const TBytes small = testing::MakeArchive(
        {{"vlm.ini", BytesOf("[App]\n")}, {"app/a.txt", BytesOf(std::string(900, 'a')), true}, {"app/b", {}}},
        kPassword);
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE(round);
        TBytes bytes = small;
        for (int i = 0; i < 3; ++i) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
        if (round % 5 == 0) bytes.resize(1 + random() % bytes.size());
        Package(bytes);
        ASSERT_EQ(ReadMapped(), ReadCopied());
    }
}

TEST_F(OnDemandArchiveTest, TwoThreadsReadTheSameArchiveAtOnce) {
    Package(archive);
    const std::unique_ptr<TMappedFile> mapped = utils.MapZipFromExe();
    TPausingStream copy(archive);
    const auto files = SampleFiles();
    struct TCase {
        const char* what;
        std::function<void(TZipArchive&)> open;
    };
    const TCase cases[] = {
        {"mapped", [&](TZipArchive& a) { a.Open(*mapped); }},
        {"over one shared stream", [&](TZipArchive& a) { a.Open(copy); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TZipArchive reader;
        reader.SetPassword(kPassword);
        c.open(reader);
        EXPECT_EQ(testing::WrongReadsFromTwoThreads(reader, files, 6), 0);
    }
}

TEST_F(OnDemandArchiveTest, MappingRefusesWhatIsNoArchiveWithAClearError) {
    testing::WriteFile(exe, image);
    EXPECT_THROW(utils.MapZipFromExe(), TNoArchive) << "size equal to the image end";
    testing::WriteFile(exe, TBytes(image.begin(), image.begin() + 0x800));
    EXPECT_THROW(utils.MapZipFromExe(), TNoArchive) << "a file shorter than its image";

    Package(BytesOf("not a zip at all"));
    const std::unique_ptr<TMappedFile> mapped = utils.MapZipFromExe();
    TZipArchive reader;
    EXPECT_THROW(reader.Open(*mapped), EArchiveError);
}

TEST(MappedFile, MapsFromAnyOffsetToTheEnd) {
    testing::TTempDir dir;
    const TBytes bytes = testing::PseudoRandomBytes(3 * 65536 + 123, 8);
    testing::WriteFile(dir / "f.bin", bytes);
    // Offsets on and off the page and allocation boundaries the systems map at.
    for (const std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
                                     std::size_t{65537}, bytes.size() - 1, bytes.size()}) {
        SCOPED_TRACE(offset);
        const TMappedFile mapped(dir / "f.bin", static_cast<std::int64_t>(offset));
        ASSERT_EQ(mapped.Size(), static_cast<std::int64_t>(bytes.size() - offset));
        TBytes all(bytes.size() - offset + 10, 0xEE);
        EXPECT_EQ(mapped.ReadAt(0, all.data(), all.size()), bytes.size() - offset) << "short only at the end";
        all.resize(bytes.size() - offset);
        EXPECT_EQ(all, TBytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end()));
        std::uint8_t byte = 0;
        EXPECT_EQ(mapped.ReadAt(mapped.Size(), &byte, 1), 0u);
        EXPECT_EQ(mapped.ReadAt(-1, &byte, 1), 0u);
        EXPECT_FALSE(mapped.ReadExactAt(mapped.Size() - 1 + (mapped.Size() == 0), &byte, 2));
    }
}

TEST(MappedFile, RefusesWhatCannotBeMappedNamingThePath) {
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
        {"a negative offset", dir / "f.bin", -1},
        {"a folder", dir / "folder", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            TMappedFile mapped(c.path, c.offset);
            ADD_FAILURE() << "mapped";
        } catch (const EFileError& error) {
            EXPECT_NE(std::string(error.what()).find(c.path.filename().string()), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace vellum
