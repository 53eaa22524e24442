#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace vellum {

// The end of a PE program image: the largest (raw-data offset + raw-data size) over the
// section table, as an unsigned 32-bit value, 0 with no sections. Everything after it in the
// file is the attached archive.
//
// `headers` holds the image's first bytes (the mapped module or the start of the file); at
// least the DOS header, the PE headers and the section table must be inside it. Returns
// nothing for a malformed or truncated header instead of reading outside the bytes.
std::optional<std::uint32_t> ComputePeImageEnd(std::span<const std::uint8_t> headers);

// The same rule applied to an executable file on disk. Returns nothing when the file is not
// a PE image; throws EFileError when it cannot be read.
std::optional<std::uint32_t> ComputePeImageEndOfFile(const std::filesystem::path& path);

}  // namespace vellum
