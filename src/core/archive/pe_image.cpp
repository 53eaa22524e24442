#include "core/archive/pe_image.h"

#include <vector>

#include "core/stream/stream.h"

namespace vellum {

namespace {

std::optional<std::uint32_t> ReadU32(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    if (offset + 4 > bytes.size()) return std::nullopt;
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::optional<std::uint16_t> ReadU16(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    if (offset + 2 > bytes.size()) return std::nullopt;
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

constexpr std::uint64_t kSectionEntrySize = 40;
// Enough for the DOS stub, the PE headers and the table of the 96 sections the loader allows.
constexpr std::size_t kHeaderReadSize = 64 * 1024;

}  // namespace

std::optional<std::uint32_t> ComputePeImageEnd(std::span<const std::uint8_t> headers) {
    if (headers.size() < 0x40 || headers[0] != 'M' || headers[1] != 'Z') return std::nullopt;
    const auto signatureOffset = ReadU32(headers, 0x3C);
    if (!signatureOffset) return std::nullopt;
    const auto signature = ReadU32(headers, *signatureOffset);
    if (!signature || *signature != 0x00004550) return std::nullopt;  // "PE\0\0"
    const std::uint64_t fileHeader = std::uint64_t{*signatureOffset} + 4;
    const auto sectionCount = ReadU16(headers, fileHeader + 2);
    const auto optionalHeaderSize = ReadU16(headers, fileHeader + 16);
    if (!sectionCount || !optionalHeaderSize) return std::nullopt;
    const std::uint64_t sectionTable = fileHeader + 20 + *optionalHeaderSize;
    if (sectionTable + kSectionEntrySize * *sectionCount > headers.size()) return std::nullopt;

    std::uint32_t imageEnd = 0;
    for (std::uint64_t index = 0; index < *sectionCount; ++index) {
        const std::uint64_t entry = sectionTable + index * kSectionEntrySize;
        const std::uint32_t rawSize = *ReadU32(headers, entry + 16);
        const std::uint32_t rawOffset = *ReadU32(headers, entry + 20);
        // The sum is taken as an unsigned 32-bit value, as the loader's own fields are.
        const std::uint32_t sectionEnd = rawOffset + rawSize;
        if (sectionEnd > imageEnd) imageEnd = sectionEnd;
    }
    return imageEnd;
}

std::optional<std::uint32_t> ComputePeImageEndOfFile(const std::filesystem::path& path) {
    TFileStream file(path, TFileStream::TMode::OpenRead);
    std::vector<std::uint8_t> headers(kHeaderReadSize);
    headers.resize(file.Read(headers.data(), headers.size()));
    return ComputePeImageEnd(headers);
}

}  // namespace vellum
