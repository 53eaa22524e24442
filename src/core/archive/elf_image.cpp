#include "core/archive/elf_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/stream/stream.h"

namespace vellum {

namespace {

constexpr std::uint32_t kSectionTypeNull = 0;
constexpr std::uint32_t kSectionTypeNoBits = 8;  // SHT_NOBITS: .bss and the like, no file space
constexpr std::uint32_t kSegmentTypeNull = 0;    // PT_NULL: an unused entry
constexpr std::uint16_t kExtendedSegmentCount = 0xFFFF;  // PN_XNUM

[[noreturn]] void Damaged(const std::string& what) {
    throw EArchiveError("Damaged ELF headers: " + what + ".");
}

// Field offsets and sizes of one ELF class.
struct TLayout {
    bool Is64;
    std::uint64_t HeaderSize, PhOff, ShOff, EhSize, PhEntSize, PhNum, ShEntSize, ShNum;
    std::uint64_t PhEntryMin, PhType, PhOffset, PhFileSize;
    std::uint64_t ShEntryMin, ShType, ShOffset, ShSize, ShInfo;
};

constexpr TLayout kElf32{false, 52, 0x1C, 0x20, 0x28, 0x2A, 0x2C, 0x2E, 0x30, 32, 0, 4, 16, 40, 4, 16, 20, 28};
constexpr TLayout kElf64{true, 64, 0x20, 0x28, 0x34, 0x36, 0x38, 0x3A, 0x3C, 56, 0, 8, 32, 64, 4, 24, 32, 44};

class TFields {
public:
    TFields(const std::uint8_t* bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}
    std::uint64_t Read(std::uint64_t offset, unsigned size) const {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < size; ++i) {
            const unsigned index = bigEndian_ ? i : size - 1 - i;
            value = value << 8 | bytes_[offset + index];
        }
        return value;
    }
    std::uint64_t Word(std::uint64_t offset, bool is64) const { return Read(offset, is64 ? 8 : 4); }

private:
    const std::uint8_t* bytes_;
    bool bigEndian_;
};

// offset + size, refused when it passes 2^64.
std::uint64_t EndOf(std::uint64_t offset, std::uint64_t size, const char* what) {
    if (size > UINT64_MAX - offset) Damaged(std::string(what) + " ends beyond 2^64 bytes");
    return offset + size;
}

std::uint64_t TableSize(std::uint64_t count, std::uint64_t entrySize, const char* what) {
    if (entrySize != 0 && count > UINT64_MAX / entrySize) Damaged(std::string(what) + " is larger than 2^64 bytes");
    return count * entrySize;
}

}  // namespace

bool HasElfMagic(std::span<const std::uint8_t> firstBytes) {
    return firstBytes.size() >= 4 && std::memcmp(firstBytes.data(), "\x7F" "ELF", 4) == 0;
}

std::uint64_t ComputeElfImageEnd(const TElfByteReader& read, std::uint64_t fileSize) {
    std::array<std::uint8_t, 64> header{};
    if (fileSize < 16 || !read(0, std::span(header).first(16))) Damaged("the file is shorter than the ELF identification");
    if (!HasElfMagic(header)) Damaged("no ELF magic number");
    if (header[4] != 1 && header[4] != 2) Damaged("unknown class " + std::to_string(header[4]));
    if (header[5] != 1 && header[5] != 2) Damaged("unknown byte order " + std::to_string(header[5]));
    if (header[6] != 1) Damaged("unknown version " + std::to_string(header[6]));
    const TLayout& layout = header[4] == 2 ? kElf64 : kElf32;
    const bool is64 = layout.Is64;
    // The header cut off: its own end lies beyond the file.
    if (!read(0, std::span(header).first(layout.HeaderSize))) return layout.HeaderSize;
    const TFields fields(header.data(), header[5] == 2);

    const std::uint64_t ehSize = fields.Read(layout.EhSize, 2);
    if (ehSize < layout.HeaderSize) Damaged("the ELF header's size " + std::to_string(ehSize) + " is too small");
    std::uint64_t end = ehSize;

    const std::uint64_t phOff = fields.Word(layout.PhOff, is64);
    const std::uint64_t phEntSize = fields.Read(layout.PhEntSize, 2);
    std::uint64_t phNum = fields.Read(layout.PhNum, 2);
    const std::uint64_t shOff = fields.Word(layout.ShOff, is64);
    const std::uint64_t shEntSize = fields.Read(layout.ShEntSize, 2);
    std::uint64_t shNum = fields.Read(layout.ShNum, 2);

    // Section 0 holds the real counts when they do not fit the header's fields.
    if (shOff != 0) {
        if (shEntSize < layout.ShEntryMin)
            Damaged("section header entries of " + std::to_string(shEntSize) + " bytes are too small");
        // The table holds section 0 at least, also when the header counts none.
        const std::uint64_t firstEnd = EndOf(shOff, shEntSize, "the section header table");
        end = std::max(end, firstEnd);
        std::vector<std::uint8_t> first(shEntSize);
        if (firstEnd <= fileSize && read(shOff, first)) {
            const TFields zero(first.data(), header[5] == 2);
            if (shNum == 0) shNum = zero.Word(layout.ShSize, is64);
            if (phNum == kExtendedSegmentCount) phNum = zero.Read(layout.ShInfo, 4);
        }
    } else if (shNum != 0) {
        Damaged(std::to_string(shNum) + " sections without a section header table");
    }

    if (phNum != 0) {
        if (phOff == 0) Damaged(std::to_string(phNum) + " segments without a program header table");
        if (phEntSize < layout.PhEntryMin)
            Damaged("program header entries of " + std::to_string(phEntSize) + " bytes are too small");
        const std::uint64_t tableEnd =
            EndOf(phOff, TableSize(phNum, phEntSize, "the program header table"), "the program header table");
        end = std::max(end, tableEnd);
        std::vector<std::uint8_t> table;
        if (tableEnd <= fileSize) {
            table.resize(tableEnd - phOff);
            if (!read(phOff, table)) table.clear();
        }
        const TFields entries(table.data(), header[5] == 2);
        for (std::uint64_t i = 0; !table.empty() && i < phNum; ++i) {
            const std::uint64_t entry = i * phEntSize;
            if (entries.Read(entry + layout.PhType, 4) == kSegmentTypeNull) continue;
            end = std::max(end, EndOf(entries.Word(entry + layout.PhOffset, is64),
                                      entries.Word(entry + layout.PhFileSize, is64), "a segment"));
        }
    }

    if (shOff != 0 && shNum != 0) {
        const std::uint64_t tableEnd =
            EndOf(shOff, TableSize(shNum, shEntSize, "the section header table"), "the section header table");
        end = std::max(end, tableEnd);
        std::vector<std::uint8_t> table;
        if (tableEnd <= fileSize) {
            table.resize(tableEnd - shOff);
            if (!read(shOff, table)) table.clear();
        }
        const TFields entries(table.data(), header[5] == 2);
        for (std::uint64_t i = 0; !table.empty() && i < shNum; ++i) {
            const std::uint64_t entry = i * shEntSize;
            const std::uint64_t type = entries.Read(entry + layout.ShType, 4);
            if (type == kSectionTypeNull || type == kSectionTypeNoBits) continue;
            end = std::max(end, EndOf(entries.Word(entry + layout.ShOffset, is64),
                                      entries.Word(entry + layout.ShSize, is64), "a section"));
        }
    }
    return end;
}

std::uint64_t ComputeElfImageEnd(std::span<const std::uint8_t> file) {
    return ComputeElfImageEnd(
        [file](std::uint64_t offset, std::span<std::uint8_t> into) {
            if (offset > file.size() || into.size() > file.size() - offset) return false;
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
            return true;
        },
        file.size());
}

std::optional<std::uint64_t> ComputeElfImageEndOfFile(const std::filesystem::path& path) {
    TFileStream file(path, TFileStream::TMode::OpenRead);
    std::array<std::uint8_t, 4> magic{};
    if (!file.ReadExact(magic.data(), magic.size()) || !HasElfMagic(magic)) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(file.Size());
    return ComputeElfImageEnd(
        [&file, size](std::uint64_t offset, std::span<std::uint8_t> into) {
            if (offset > size || into.size() > size - offset) return false;
            file.SetPosition(static_cast<std::int64_t>(offset));
            return file.ReadExact(into.data(), into.size());
        },
        size);
}

}  // namespace vellum
