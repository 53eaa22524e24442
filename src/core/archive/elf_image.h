#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

namespace vellum {

// True when the bytes begin with the ELF magic number ("\x7F" "ELF").
bool HasElfMagic(std::span<const std::uint8_t> firstBytes);

// Reads exactly into.size() bytes at `offset`; false when they are not all inside the file.
using TElfByteReader = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> into)>;

// The end of an ELF file's own contents as its headers describe them: the furthest of the ELF
// header, the program header table, every segment's file range, the section header table and
// every section's file range (sections of type SHT_NOBITS occupy none). Everything after it in
// the file is the attached archive, as after a PE image's last section.
//
// 32- and 64-bit files of either byte order are read, with the extended numbering of sections
// and segments kept in section 0. A table that lies beyond the file's end cannot be read: the
// end then lies beyond the file too, which the caller reports as a cut-off file. Damaged
// headers (an unknown class, byte order or version, table entries smaller than their
// structure, a count without a table, a range ending beyond 2^64) raise EArchiveError saying
// which; nothing is read outside the file.
std::uint64_t ComputeElfImageEnd(const TElfByteReader& read, std::uint64_t fileSize);
// The same over a file held in memory.
std::uint64_t ComputeElfImageEnd(std::span<const std::uint8_t> file);
// The same over a file on disk: nothing when it does not begin with the ELF magic number.
// Throws EFileError when it cannot be read.
std::optional<std::uint64_t> ComputeElfImageEndOfFile(const std::filesystem::path& path);

}  // namespace vellum
