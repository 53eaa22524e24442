#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/stream/stream.h"

namespace vellum {

// One entry made ready for writing: compressed (when asked and when it helps), encrypted,
// with its header fields. Preparing is independent per entry, so entries can be prepared on
// several threads and written in order by one TZipWriter.
struct TPreparedZipEntry {
    std::string Name;
    std::uint16_t Method = 0;
    std::uint16_t ModTime = 0;
    std::uint16_t ModDate = 0;
    std::uint32_t Crc32 = 0;
    std::uint32_t UncompressedSize = 0;
    std::vector<std::uint8_t> Payload;  // encryption header + encrypted data
};

struct TZipEntryOptions {
    bool Deflate = false;
    std::uint16_t ModTime = 0;  // DOS time and date
    std::uint16_t ModDate = 0x21;
};

// Throws EArchiveError for data that the archive format cannot hold (4 GiB and beyond).
TPreparedZipEntry PrepareZipEntry(std::string name, std::span<const std::uint8_t> data, const std::string& password,
                                  const TZipEntryOptions& options);

// Writes the archive layout the runtime reads: version needed 20, flags 0x0009 (encrypted,
// data descriptor), sizes and CRC in both headers and again in a signed data descriptor after
// each entry's data, no extra fields and no comments.
class TZipWriter {
public:
    explicit TZipWriter(TStream& target) : target_(target), start_(target.Position()) {}

    // Throws EArchiveError, writing nothing, when the archive would reach 4 GiB or hold more
    // than 65,534 entries (the most a classic end record counts).
    void Add(const TPreparedZipEntry& entry);
    // Writes the central directory and the end record.
    void Finish();

private:
    struct TWrittenEntry {
        std::string Name;
        std::uint16_t Method, ModTime, ModDate;
        std::uint32_t Crc32, CompressedSize, UncompressedSize, Offset;
    };

    TStream& target_;
    std::int64_t start_;
    std::vector<TWrittenEntry> written_;
};

// The DOS date and time fields of a file's modification time (local time, two-second steps).
void ToDosDateTime(std::int64_t unixSeconds, std::uint16_t& dosTime, std::uint16_t& dosDate);

}  // namespace vellum
