#include "core/archive/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <memory>
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

// Eleven random bytes, then the byte readers check the password with: with a data descriptor,
// the high byte of the DOS time.
std::array<std::uint8_t, TZipCipher::kHeaderSize> EncryptionHeader(const TZipEntryOptions& options) {
    std::array<std::uint8_t, TZipCipher::kHeaderSize> header{};
    std::mt19937 random(options.HeaderSeed ? *options.HeaderSeed : RandomSeed());
    for (std::size_t i = 0; i + 1 < header.size(); ++i) header[i] = static_cast<std::uint8_t>(random());
    header.back() = static_cast<std::uint8_t>(options.ModTime >> 8);
    return header;
}

void CheckEntry(const std::string& name, std::uint64_t size) {
    if (size >= kMaxSize) throw EArchiveError("\"" + name + "\" is too large for the archive (4 GiB or more)");
    if (name.size() > 0xFFFF) throw EArchiveError("An entry name is longer than the archive format allows");
}

constexpr std::size_t kStreamBlock = 1 << 20;

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
    CheckEntry(name, data.size());

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
    const auto header = EncryptionHeader(options);
    std::copy(header.begin(), header.end(), entry.Payload.begin());
    std::copy(body.begin(), body.end(), entry.Payload.begin() + TZipCipher::kHeaderSize);
    TZipCipher cipher(password);
    cipher.Encrypt(entry.Payload.data(), entry.Payload.size());
    return entry;
}

void TZipWriter::CheckRoom(std::int64_t offset, std::uint64_t payloadSize) const {
    if (static_cast<std::uint64_t>(offset) + payloadSize + 1024 >= kMaxSize)
        throw EArchiveError("The archive would reach 4 GiB, more than the archive format allows");
    // 0xFFFF in the end record's entry count means "see the ZIP64 record", so 65,534 is the
    // most a classic archive holds (readers, ours included, take 65,535 for ZIP64).
    if (written_.size() >= kMaxEntries) throw EArchiveError("The archive would hold more than 65,534 files");
}

void TZipWriter::WriteLocalHeader(const std::string& name, std::uint16_t method, std::uint16_t modTime,
                                  std::uint16_t modDate, std::uint32_t crc, std::uint32_t payloadSize,
                                  std::uint32_t uncompressedSize) {
    std::uint8_t header[kLocalHeaderSize];
    PutU32(header, kLocalHeaderSignature);
    PutU16(header + 4, kVersion);
    PutU16(header + 6, kFlags);
    PutU16(header + 8, method);
    PutU16(header + 10, modTime);
    PutU16(header + 12, modDate);
    PutU32(header + 14, crc);
    PutU32(header + 18, payloadSize);
    PutU32(header + 22, uncompressedSize);
    PutU16(header + 26, static_cast<std::uint16_t>(name.size()));
    PutU16(header + 28, 0);
    target_.Write(header, sizeof header);
    target_.Write(name.data(), name.size());
}

void TZipWriter::WriteDescriptorAndRecord(const std::string& name, std::uint16_t method, std::uint16_t modTime,
                                          std::uint16_t modDate, std::uint32_t crc, std::uint32_t payloadSize,
                                          std::uint32_t uncompressedSize, std::int64_t offset) {
    // Flag bit 3 promises a data descriptor after the data. Writing it after empty entries
    // only breaks that promise, and Info-ZIP's unzip then rejects the archive as an
    // overlapping "zip bomb"; so every entry gets one, with its signature.
    std::uint8_t descriptor[16];
    PutU32(descriptor, kDataDescriptorSignature);
    PutU32(descriptor + 4, crc);
    PutU32(descriptor + 8, payloadSize);
    PutU32(descriptor + 12, uncompressedSize);
    target_.Write(descriptor, sizeof descriptor);
    written_.push_back(
        {name, method, modTime, modDate, crc, payloadSize, uncompressedSize, static_cast<std::uint32_t>(offset)});
}

void TZipWriter::Add(const TPreparedZipEntry& entry) {
    const std::int64_t offset = target_.Position() - start_;
    CheckRoom(offset, entry.Payload.size());
    const auto payloadSize = static_cast<std::uint32_t>(entry.Payload.size());
    WriteLocalHeader(entry.Name, entry.Method, entry.ModTime, entry.ModDate, entry.Crc32, payloadSize,
                     entry.UncompressedSize);
    target_.Write(entry.Payload.data(), entry.Payload.size());
    WriteDescriptorAndRecord(entry.Name, entry.Method, entry.ModTime, entry.ModDate, entry.Crc32, payloadSize,
                             entry.UncompressedSize, offset);
}

namespace {

// Reads exactly count bytes of the entry's source, or says that it changed under the writer.
void ReadBlock(TStream& source, std::uint8_t* buffer, std::size_t count, const std::string& name) {
    if (!source.ReadExact(buffer, count))
        throw EFileError("Cannot read \"" + name + "\": the file changed while being packed");
}

}  // namespace

std::uint64_t TZipWriter::StreamPayload(TStream& source, std::uint64_t size, const std::string& name,
                                        const std::string& password, const TZipEntryOptions& options,
                                        std::uint16_t& method, std::uint32_t& crc) {
    const std::int64_t entryOffset = target_.Position() - start_;
    const std::int64_t sourceStart = source.Position();
    const std::int64_t payloadStart = target_.Position();
    auto header = EncryptionHeader(options);
    auto input = std::make_unique<std::uint8_t[]>(kStreamBlock);
    auto output = std::make_unique<std::uint8_t[]>(kStreamBlock);

    if (options.Deflate && size > 0) {
        TZipCipher cipher(password);
        std::array<std::uint8_t, TZipCipher::kHeaderSize> encrypted = header;
        cipher.Encrypt(encrypted.data(), encrypted.size());
        target_.Write(encrypted.data(), encrypted.size());
        std::uint64_t payload = encrypted.size();

        z_stream zs{};
        if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw EArchiveError("Cannot start the deflate compressor");
        struct TGuard {
            z_stream* zs;
            ~TGuard() { deflateEnd(zs); }
        } guard{&zs};
        std::uint32_t sum = 0;
        std::uint64_t left = size;
        int status = Z_OK;
        // Compressed data at least as large as the entry is thrown away for the stored form,
        // so writing it can stop as soon as it gets there.
        while (status != Z_STREAM_END && payload - TZipCipher::kHeaderSize < size) {
            if (zs.avail_in == 0 && left > 0) {
                const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, kStreamBlock));
                ReadBlock(source, input.get(), count, name);
                sum = static_cast<std::uint32_t>(::crc32(sum, input.get(), static_cast<uInt>(count)));
                left -= count;
                zs.next_in = input.get();
                zs.avail_in = static_cast<uInt>(count);
            }
            zs.next_out = output.get();
            zs.avail_out = static_cast<uInt>(kStreamBlock);
            status = deflate(&zs, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR) throw EArchiveError("Cannot compress an entry");
            const std::size_t produced = kStreamBlock - zs.avail_out;
            CheckRoom(entryOffset, payload + produced);
            cipher.Encrypt(output.get(), produced);
            target_.Write(output.get(), produced);
            payload += produced;
        }
        if (status == Z_STREAM_END && payload - TZipCipher::kHeaderSize < size) {
            method = kMethodDeflate;
            crc = sum;
            return payload;
        }
        // Not smaller: the entry is stored instead, from its first byte again.
        target_.SetSize(payloadStart);
        target_.SetPosition(payloadStart);
        source.SetPosition(sourceStart);
    }

    CheckRoom(entryOffset, size + TZipCipher::kHeaderSize);
    TZipCipher cipher(password);
    cipher.Encrypt(header.data(), header.size());
    target_.Write(header.data(), header.size());
    const std::uint32_t keyBefore = cipher.Key0();
    for (std::uint64_t left = size; left > 0;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, kStreamBlock));
        ReadBlock(source, input.get(), count, name);
        cipher.Encrypt(input.get(), count);
        target_.Write(input.get(), count);
        left -= count;
    }
    // The cipher's first key ran the CRC-32 register over the same plain bytes: no second pass.
    method = kMethodStored;
    crc = Crc32FromKey0(keyBefore, cipher.Key0(), size);
    return size + TZipCipher::kHeaderSize;
}

void TZipWriter::AddStreamed(const std::string& name, TStream& source, std::uint64_t size,
                             const std::string& password, const TZipEntryOptions& options) {
    CheckEntry(name, size);
    const std::int64_t begin = target_.Position();
    const std::int64_t offset = begin - start_;
    CheckRoom(offset, 0);
    try {
        // The CRC and the compressed size are known only after the data: the header gets them then.
        WriteLocalHeader(name, 0, options.ModTime, options.ModDate, 0, 0, static_cast<std::uint32_t>(size));
        std::uint16_t method = kMethodStored;
        std::uint32_t crc = 0;
        const std::uint64_t payload = StreamPayload(source, size, name, password, options, method, crc);
        const std::int64_t end = target_.Position();
        std::uint8_t fields[4];
        target_.SetPosition(begin + 8);
        PutU16(fields, method);
        target_.Write(fields, 2);
        target_.SetPosition(begin + 14);
        std::uint8_t sizes[12];
        PutU32(sizes, crc);
        PutU32(sizes + 4, static_cast<std::uint32_t>(payload));
        PutU32(sizes + 8, static_cast<std::uint32_t>(size));
        target_.Write(sizes, sizeof sizes);
        target_.SetPosition(end);
        WriteDescriptorAndRecord(name, method, options.ModTime, options.ModDate, crc,
                                 static_cast<std::uint32_t>(payload), static_cast<std::uint32_t>(size), offset);
    } catch (...) {
        // The first error is the one to report, even when the target cannot be cut back.
        try {
            target_.SetSize(begin);
            target_.SetPosition(begin);
        } catch (const EVellumError&) {
        }
        throw;
    }
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
