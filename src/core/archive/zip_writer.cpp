#include "core/archive/zip_writer.h"

#include <zlib.h>

#include <ctime>
#include <random>

#include "core/archive/zip_crypto.h"
#include "core/archive/zip_format.h"
#include "core/errors.h"

namespace vellum {

using namespace zipformat;

namespace {

constexpr std::uint16_t kVersion = 20;
constexpr std::uint16_t kFlags = kFlagEncrypted | kFlagDataDescriptor;
constexpr std::uint64_t kMaxSize = 0xFFFFFFFFull;
constexpr std::size_t kMaxEntries = 0xFFFE;

std::vector<std::uint8_t> DeflateRaw(std::span<const std::uint8_t> data) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw EArchiveError("Cannot start the deflate compressor");
    std::vector<std::uint8_t> out(deflateBound(&zs, static_cast<uLong>(data.size())));
    zs.next_in = const_cast<Bytef*>(data.data());
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    if (status != Z_STREAM_END) throw EArchiveError("Cannot compress an entry");
    return out;
}

std::uint32_t RandomSeed() {
    static thread_local std::random_device device;
    return device();
}

}  // namespace

void ToDosDateTime(std::int64_t unixSeconds, std::uint16_t& dosTime, std::uint16_t& dosDate) {
    const std::time_t seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    if (local.tm_year < 80) {  // DOS dates start in 1980
        dosTime = 0;
        dosDate = (1 << 5) | 1;
        return;
    }
    dosTime = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    dosDate = static_cast<std::uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
}

TPreparedZipEntry PrepareZipEntry(std::string name, std::span<const std::uint8_t> data, const std::string& password,
                                  const TZipEntryOptions& options) {
    if (data.size() >= kMaxSize) throw EArchiveError("\"" + name + "\" is too large for the archive (4 GiB or more)");
    if (name.size() > 0xFFFF) throw EArchiveError("An entry name is longer than the archive format allows");

    TPreparedZipEntry entry;
    entry.Name = std::move(name);
    entry.ModTime = options.ModTime;
    entry.ModDate = options.ModDate;
    entry.UncompressedSize = static_cast<std::uint32_t>(data.size());
    entry.Crc32 = static_cast<std::uint32_t>(::crc32(0, data.data(), static_cast<uInt>(data.size())));

    std::vector<std::uint8_t> compressed;
    std::span<const std::uint8_t> body = data;
    if (options.Deflate && !data.empty()) {
        compressed = DeflateRaw(data);
        if (compressed.size() < data.size()) {
            body = compressed;
            entry.Method = kMethodDeflate;
        }
    }

    entry.Payload.resize(TZipCipher::kHeaderSize + body.size());
    std::mt19937 random(RandomSeed());
    for (std::size_t i = 0; i + 1 < TZipCipher::kHeaderSize; ++i)
        entry.Payload[i] = static_cast<std::uint8_t>(random());
    // With a data descriptor, readers check the password against the high byte of the DOS time.
    entry.Payload[TZipCipher::kHeaderSize - 1] = static_cast<std::uint8_t>(entry.ModTime >> 8);
    std::copy(body.begin(), body.end(), entry.Payload.begin() + TZipCipher::kHeaderSize);
    TZipCipher cipher(password);
    cipher.Encrypt(entry.Payload.data(), entry.Payload.size());
    return entry;
}

void TZipWriter::Add(const TPreparedZipEntry& entry) {
    const std::int64_t offset = target_.Position() - start_;
    if (static_cast<std::uint64_t>(offset) + entry.Payload.size() + 1024 >= kMaxSize)
        throw EArchiveError("The archive would reach 4 GiB, more than the archive format allows");
    // 0xFFFF in the end record's entry count means "see the ZIP64 record", so 65,534 is the
    // most a classic archive holds (readers, ours included, take 65,535 for ZIP64).
    if (written_.size() >= kMaxEntries) throw EArchiveError("The archive would hold more than 65,534 files");

    std::uint8_t header[kLocalHeaderSize];
    PutU32(header, kLocalHeaderSignature);
    PutU16(header + 4, kVersion);
    PutU16(header + 6, kFlags);
    PutU16(header + 8, entry.Method);
    PutU16(header + 10, entry.ModTime);
    PutU16(header + 12, entry.ModDate);
    PutU32(header + 14, entry.Crc32);
    PutU32(header + 18, static_cast<std::uint32_t>(entry.Payload.size()));
    PutU32(header + 22, entry.UncompressedSize);
    PutU16(header + 26, static_cast<std::uint16_t>(entry.Name.size()));
    PutU16(header + 28, 0);
    target_.Write(header, sizeof header);
    target_.Write(entry.Name.data(), entry.Name.size());
    target_.Write(entry.Payload.data(), entry.Payload.size());
    {
        // Flag bit 3 promises a data descriptor after the data. Writing it after empty entries
        // only breaks that promise, and Info-ZIP's unzip then rejects the archive as an
        // overlapping "zip bomb"; so every entry gets one, with its signature.
        std::uint8_t descriptor[16];
        PutU32(descriptor, kDataDescriptorSignature);
        PutU32(descriptor + 4, entry.Crc32);
        PutU32(descriptor + 8, static_cast<std::uint32_t>(entry.Payload.size()));
        PutU32(descriptor + 12, entry.UncompressedSize);
        target_.Write(descriptor, sizeof descriptor);
    }
    written_.push_back({entry.Name, entry.Method, entry.ModTime, entry.ModDate, entry.Crc32,
                        static_cast<std::uint32_t>(entry.Payload.size()), entry.UncompressedSize,
                        static_cast<std::uint32_t>(offset)});
}

void TZipWriter::Finish() {
    const std::int64_t directoryOffset = target_.Position() - start_;
    for (const TWrittenEntry& entry : written_) {
        std::uint8_t header[kCentralHeaderSize] = {};
        PutU32(header, kCentralHeaderSignature);
        PutU16(header + 4, kVersion);
        PutU16(header + 6, kVersion);
        PutU16(header + 8, kFlags);
        PutU16(header + 10, entry.Method);
        PutU16(header + 12, entry.ModTime);
        PutU16(header + 14, entry.ModDate);
        PutU32(header + 16, entry.Crc32);
        PutU32(header + 20, entry.CompressedSize);
        PutU32(header + 24, entry.UncompressedSize);
        PutU16(header + 28, static_cast<std::uint16_t>(entry.Name.size()));
        PutU32(header + 42, entry.Offset);
        target_.Write(header, sizeof header);
        target_.Write(entry.Name.data(), entry.Name.size());
    }
    const std::int64_t directorySize = target_.Position() - start_ - directoryOffset;
    std::uint8_t end[kEndOfCentralDirectorySize] = {};
    PutU32(end, kEndOfCentralDirectorySignature);
    PutU16(end + 8, static_cast<std::uint16_t>(written_.size()));
    PutU16(end + 10, static_cast<std::uint16_t>(written_.size()));
    PutU32(end + 12, static_cast<std::uint32_t>(directorySize));
    PutU32(end + 16, static_cast<std::uint32_t>(directoryOffset));
    target_.Write(end, sizeof end);
}

}  // namespace vellum
