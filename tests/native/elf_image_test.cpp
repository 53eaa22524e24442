#include "core/archive/elf_image.h"

#include <gtest/gtest.h>

#include <string>

#include "core/archive/exe_utils.h"
#include "core/errors.h"
#include "test_files.h"

namespace vellum {
namespace {

using testing::MakeElfImage;
using testing::TBytes;
using testing::TElfImage;

void PutLe(TBytes& bytes, std::uint64_t offset, std::uint64_t value, unsigned size) {
    for (unsigned i = 0; i < size; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(ElfImageEnd, IsTheFurthestOfHeadersTablesSegmentsAndSections) {
    struct TCase {
        const char* what;
        std::vector<testing::TElfSegment> segments;
        std::vector<testing::TElfSection> sections;
        bool is64, bigEndian;
        std::uint64_t expected;  // 0: the section header table's end, where the generator put it
    };
    const std::vector<TCase> cases = {
        {"the ELF header alone", {}, {}, true, false, 64},
        {"32-bit header alone", {}, {}, false, false, 52},
        {"the program header table", {{0, 0}, {0, 0}}, {}, true, false, 64 + 2 * 56},
        {"a segment beyond everything", {{0x1000, 0x234}}, {}, true, false, 0x1234},
        {"the segments' furthest end, not the last one's", {{0x3000, 0x10}, {0x1000, 0x10}}, {}, true, false, 0x3010},
        {"the section header table after the sections", {{0, 0x200}}, {{1, 0x200, 0x100}}, true, false, 0},
        {"a NOBITS section occupies no file space", {}, {{1, 0x100, 0x10}, {8, 0x10000, 0x10000}}, true, false, 0},
        {"32-bit big-endian", {{0, 0x300}}, {{1, 0x300, 0x55}}, false, true, 0},
        {"64-bit big-endian", {{0x40, 0x800}}, {{1, 0x900, 0x7}}, true, true, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TElfImage image = MakeElfImage(c.segments, c.sections, c.is64, c.bigEndian);
        const std::uint64_t expected = c.expected != 0 ? c.expected : image.ImageEnd;
        EXPECT_EQ(ComputeElfImageEnd(image.Bytes), expected);
    }
}

TEST(ElfImageEnd, ReadsTheExtendedCountsOfSectionZero) {
    // Counts too large for the header's fields are 0 (sections) or 0xFFFF (segments) there, and
    // the real ones stand in section 0: sh_size for sections, sh_info for segments.
    TElfImage image = MakeElfImage({{0x100, 0x10}}, {{1, 0x200, 0x10}, {1, 0x5000, 0x10}});
    TBytes bytes = image.Bytes;
    const std::uint64_t zero = image.SectionTableOffset;
    PutLe(bytes, 60, 0, 2);          // e_shnum
    PutLe(bytes, zero + 32, 3, 8);   // section 0's sh_size: three sections
    PutLe(bytes, 56, 0xFFFF, 2);     // e_phnum
    PutLe(bytes, zero + 44, 1, 4);   // section 0's sh_info: one segment
    EXPECT_EQ(ComputeElfImageEnd(bytes), image.ImageEnd);

    // Section 0 cut off: its counts are unknown, and the table it opens ends beyond the file,
    // so the end cannot fall inside the file and move once an archive is appended.
    TBytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(zero + 10));
    PutLe(cut, 56, 1, 2);  // the segment count in the header again: only section 0 decides
    EXPECT_GT(ComputeElfImageEnd(cut), cut.size());
}

TEST(ElfImageEnd, AnAppendedArchiveDoesNotMoveItAndTheFileRuleAgrees) {
    testing::TTempDir dir;
    TElfImage image = MakeElfImage({{0, 0x400}}, {{1, 0x400, 0x300}});
    TBytes packaged = image.Bytes;
    packaged.insert(packaged.end(), 5000, 0xAB);
    EXPECT_EQ(ComputeElfImageEnd(packaged), image.ImageEnd);
    testing::WriteFile(dir / "app", packaged);
    EXPECT_EQ(ComputeElfImageEndOfFile(dir / "app"), image.ImageEnd);

    const auto location = TExeUtils::LocateArchive(dir / "app");
    ASSERT_TRUE(location.has_value());
    EXPECT_EQ(location->Format, TImageFormat::Elf);
    EXPECT_EQ(location->ImageEnd, static_cast<std::int64_t>(image.ImageEnd));
    EXPECT_EQ(location->ArchiveSize(), 5000);

    testing::WriteFile(dir / "text", "not a program at all");
    EXPECT_FALSE(ComputeElfImageEndOfFile(dir / "text").has_value());
    EXPECT_FALSE(TExeUtils::LocateArchive(dir / "text").has_value());
}

// A real linker's output: this test program itself carries no archive, so its own contents
// end exactly at the end of its file (symbols and debug sections included).
TEST(ElfImageEnd, OfARealProgramIsTheEndOfItsFile) {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(ComputeElfImageEndOfFile(self), std::filesystem::file_size(self));
}

TEST(ElfImageEnd, ACutOffFileEndsBeyondItsBytes) {
    // Whatever the cut, the headers describe more than the file holds (so no archive is
    // found in it and the packaging tool calls it cut off), or the identification is missing.
    const TElfImage image = MakeElfImage({{0, 0x180}}, {{1, 0x180, 0x80}, {1, 0x200, 0x40}});
    for (std::size_t size = 0; size < image.Bytes.size(); ++size) {
        SCOPED_TRACE(size);
        const TBytes cut(image.Bytes.begin(), image.Bytes.begin() + static_cast<std::ptrdiff_t>(size));
        if (size < 16) {
            EXPECT_THROW(ComputeElfImageEnd(cut), EArchiveError);
        } else {
            EXPECT_GT(ComputeElfImageEnd(cut), size);
        }
    }
}

TEST(ElfImageEnd, DamagedHeadersAreReportedInsteadOfReadOutside) {
    const TElfImage image = MakeElfImage({{0, 0x100}}, {{1, 0x100, 0x40}});
    struct TCase {
        const char* what;
        std::uint64_t offset;
        std::uint64_t value;
        unsigned size;
        const char* message;
    };
    const std::uint64_t section1 = image.SectionTableOffset + 64;
    const std::vector<TCase> cases = {
        {"class", 4, 3, 1, "unknown class 3"},
        {"byte order", 5, 0, 1, "unknown byte order 0"},
        {"version", 6, 2, 1, "unknown version 2"},
        {"ELF header size", 52, 20, 2, "the ELF header's size 20 is too small"},
        {"program header entry size", 54, 8, 2, "program header entries of 8 bytes are too small"},
        {"section header entry size", 58, 16, 2, "section header entries of 16 bytes are too small"},
        {"segments without a table", 32, 0, 8, "1 segments without a program header table"},
        {"sections without a table", 40, 0, 8, "2 sections without a section header table"},
        {"a section ending beyond 2^64", section1 + 24, 0xFFFFFFFFFFFFFFF0u, 8, "a section ends beyond 2^64 bytes"},
        {"a segment ending beyond 2^64", 64 + 8, 0xFFFFFFFFFFFFFFFFu, 8, "a segment ends beyond 2^64 bytes"},
        {"a table beyond 2^64", 40, 0xFFFFFFFFFFFFFFC0u, 8, "the section header table ends beyond 2^64 bytes"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TBytes bytes = image.Bytes;
        PutLe(bytes, c.offset, c.value, c.size);
        try {
            ComputeElfImageEnd(bytes);
            ADD_FAILURE() << "no error";
        } catch (const EArchiveError& error) {
            EXPECT_EQ(std::string(error.what()), std::string("Damaged ELF headers: ") + c.message + ".");
        }
    }
    // A huge table count that the file cannot hold is not read: the end lies beyond the file.
    TBytes many = image.Bytes;
    PutLe(many, 60, 0xFFFF, 2);
    EXPECT_GT(ComputeElfImageEnd(many), many.size());
}

}  // namespace
}  // namespace vellum
