#pragma once

#include <cstdint>
#include <optional>
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
    // The encryption header's eleven random bytes come from the system's random source; a seed
    // makes them repeatable, so that two ways of writing an entry can be compared byte for byte.
    std::optional<std::uint32_t> HeaderSeed;
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
    // Writes an entry whose `size` bytes are read from `source`'s current position, a block at
    // a time, compressed and encrypted on the way: the bytes PrepareZipEntry and Add would
    // write, without ever holding the entry. The target must be seekable (the local header's
    // CRC and sizes are filled in once the data is written). A deflated entry that does not
    // come out smaller is written again stored, read a second time from the same start.
    // On any error the target is cut back to where the entry began and the error raised: an
    // EArchiveError as Add's, or an EFileError when the source ends before `size` bytes.
    void AddStreamed(const std::string& name, TStream& source, std::uint64_t size, const std::string& password,
                     const TZipEntryOptions& options);
    // Writes the central directory and the end record.
    void Finish();

private:
    void CheckRoom(std::int64_t offset, std::uint64_t payloadSize) const;
    void WriteLocalHeader(const std::string& name, std::uint16_t method, std::uint16_t modTime, std::uint16_t modDate,
                          std::uint32_t crc, std::uint32_t payloadSize, std::uint32_t uncompressedSize);
    void WriteDescriptorAndRecord(const std::string& name, std::uint16_t method, std::uint16_t modTime,
                                  std::uint16_t modDate, std::uint32_t crc, std::uint32_t payloadSize,
                                  std::uint32_t uncompressedSize, std::int64_t offset);
    // Streams the data after the entry's name; returns the payload's size, with method and CRC.
    std::uint64_t StreamPayload(TStream& source, std::uint64_t size, const std::string& name,
                                const std::string& password, const TZipEntryOptions& options, std::uint16_t& method,
                                std::uint32_t& crc);

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
