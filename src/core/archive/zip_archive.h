#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/stream/byte_source.h"
#include "core/stream/stream.h"

namespace vellum {

// One entry of the central directory, as stored.
struct TZipEntry {
    std::string Name;  // bytes as stored, "/" between folders
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint16_t ModTime = 0;
    std::uint16_t ModDate = 0;
    std::uint32_t Crc32 = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t UncompressedSize = 0;
    std::uint32_t LocalHeaderOffset = 0;
};

// Why an extraction wrote nothing. The runtime's callers do not see these (a failed
// extraction is silent to them); the packaging tool and the tests do.
enum class TExtractResult {
    Ok,
    NotFound,
    WrongPassword,
    Damaged,      // headers or data outside the archive, or data that does not inflate to the declared size
    CrcMismatch,  // the bytes decode but are not the bytes that were stored
    Unsupported,  // a compression method other than stored and deflate, or strong encryption
};

const char* DescribeExtractResult(TExtractResult result);

// Reads a ZIP archive that starts at the first byte of its source: stored and deflate entries,
// traditional PKWARE encryption, data descriptors. The source must stay alive and unchanged
// while the reader is used; extractions read it again, entry by entry, and keep no copy.
// Extractions may run on several threads at once.
class TZipArchive {
public:
    // Reads the central directory. Throws EArchiveError when the bytes hold no archive this
    // reader recognises or its central directory is damaged.
    void Open(const IByteSource& source);
    // The same over a seekable stream; reads of several threads then take turns on it.
    void Open(TStream& stream);

    // One password for every encrypted entry; may be set before Open.
    void SetPassword(std::string_view password) { password_ = password; }

    // Index of the first entry whose stored name equals `name`, comparing the letters A to Z
    // without case and everything else byte for byte; -1 when there is none.
    int FindFile(std::string_view name) const;

    // Writes the entry's uncompressed bytes to `target` from its current position. A missing
    // name or an entry the archive cannot give (wrong password, damaged data, CRC mismatch,
    // unsupported method) writes nothing and raises nothing: a failure part-way leaves the
    // target as it was, so no unverified byte is ever handed on as good. A stream that fails
    // (the target cannot be written) raises its EFileError.
    void ExtractToStream(std::string_view name, TStream& target) const;

    // The same extraction, saying why it wrote nothing; stream errors are raised the same way.
    TExtractResult ExtractToStreamChecked(std::string_view name, TStream& target) const;
    TExtractResult ExtractToStreamChecked(int index, TStream& target) const;

    int FileCount() const { return static_cast<int>(entries_.size()); }
    const TZipEntry& FileInfo(int index) const { return entries_.at(static_cast<std::size_t>(index)); }

private:
    TExtractResult ExtractEntry(const TZipEntry& entry, TStream& target) const;

    const IByteSource* source_ = nullptr;
    std::unique_ptr<TLockedStreamSource> ownSource_;  // when opened over a stream
    std::int64_t size_ = 0;
    std::string password_;
    std::vector<TZipEntry> entries_;
    std::unordered_map<std::string, int> index_;  // folded name -> first entry with it
};

}  // namespace vellum
