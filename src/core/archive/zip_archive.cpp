#include "core/archive/zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/archive/zip_crypto.h"
#include "core/archive/zip_format.h"
#include "core/errors.h"
#include "core/text/ascii_case.h"

namespace vellum {

using namespace zipformat;

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
// Deflate cannot expand data by more than about 1032:1; an entry that claims more is damaged.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Hands out the entry's stored bytes (after the encryption header) chunk by chunk, decrypted
// when the entry is encrypted. Next returns 0 at the end; a stream that ends early is
// reported through Truncated().
class IEntrySource {
public:
    virtual ~IEntrySource() = default;
    virtual std::size_t Next(std::uint8_t* buffer, std::size_t capacity) = 0;
    virtual std::uint64_t Remaining() const = 0;
    virtual bool Truncated() const = 0;
};

class TEntrySource final : public IEntrySource {
public:
    TEntrySource(const IByteSource& source, std::int64_t offset, std::uint64_t size, TZipCipher* cipher)
        : source_(source), offset_(offset), remaining_(size), cipher_(cipher) {}

    std::size_t Next(std::uint8_t* buffer, std::size_t capacity) override {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, remaining_));
        if (count == 0) return 0;
        if (!source_.ReadExactAt(offset_, buffer, count)) {
            truncated_ = true;
            remaining_ = 0;
            return 0;
        }
        if (cipher_ != nullptr) cipher_->Decrypt(buffer, count);
        offset_ += static_cast<std::int64_t>(count);
        remaining_ -= count;
        return count;
    }

    std::uint64_t Remaining() const override { return remaining_; }
    bool Truncated() const override { return truncated_; }

private:
    const IByteSource& source_;
    std::int64_t offset_;
    std::uint64_t remaining_;
    TZipCipher* cipher_;
    bool truncated_ = false;
};

// Decrypts ahead on a second thread, so that decryption (a serial chain) and inflation run
// side by side on large deflated entries. Only the worker touches the cipher.
class TDecryptAheadSource final : public IEntrySource {
public:
    TDecryptAheadSource(const IByteSource& source, std::int64_t offset, std::uint64_t size, TZipCipher& cipher)
        : remaining_(size),
          worker_([this, &source, offset, size, &cipher] { Produce(source, offset, size, cipher); }) {}

    ~TDecryptAheadSource() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }

    std::size_t Next(std::uint8_t* buffer, std::size_t capacity) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !ready_.empty() || finished_; });
        if (ready_.empty()) return 0;
        TChunk& chunk = ready_.front();
        const std::size_t count = std::min(capacity, chunk.Bytes.size() - chunk.Used);
        std::memcpy(buffer, chunk.Bytes.data() + chunk.Used, count);
        chunk.Used += count;
        remaining_ -= count;
        if (chunk.Used == chunk.Bytes.size()) {
            ready_.pop_front();
            changed_.notify_all();
        }
        return count;
    }

    std::uint64_t Remaining() const override {
        std::lock_guard lock(mutex_);
        return remaining_;
    }

    bool Truncated() const override {
        std::lock_guard lock(mutex_);
        return truncated_;
    }

private:
    struct TChunk {
        std::vector<std::uint8_t> Bytes;
        std::size_t Used = 0;
    };
    static constexpr std::size_t kChunksAhead = 4;

    void Produce(const IByteSource& bytes, std::int64_t offset, std::uint64_t size, TZipCipher& cipher) {
        bool truncated = false;
        try {
            TEntrySource source(bytes, offset, size, &cipher);
            for (;;) {
                TChunk chunk;
                chunk.Bytes.resize(kChunkSize);
                chunk.Bytes.resize(source.Next(chunk.Bytes.data(), kChunkSize));
                if (chunk.Bytes.empty()) {
                    truncated = source.Truncated();
                    break;
                }
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return ready_.size() < kChunksAhead || stopping_; });
                if (stopping_) return;
                ready_.push_back(std::move(chunk));
                changed_.notify_all();
            }
        } catch (const std::exception&) {
            truncated = true;  // a stream that cannot be read is as good as one that ended
        }
        std::lock_guard lock(mutex_);
        finished_ = true;
        truncated_ = truncated;
        if (truncated) remaining_ = 0;
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TChunk> ready_;
    std::uint64_t remaining_;
    bool finished_ = false;
    bool truncated_ = false;
    bool stopping_ = false;
    std::thread worker_;  // last: it starts once everything it uses exists
};

// Entries at least this large are worth a second thread.
constexpr std::uint64_t kDecryptAheadThreshold = 1 << 20;

TExtractResult CopyStored(TEntrySource& source, TZipCipher* cipher, const TZipEntry& entry, TStream& target,
                          std::uint32_t& crc) {
    if (source.Remaining() != entry.UncompressedSize) return TExtractResult::Damaged;
    const std::uint32_t keyBefore = cipher != nullptr ? cipher->Key0() : 0;
    auto buffer = std::make_unique<std::uint8_t[]>(kChunkSize);
    while (const std::size_t count = source.Next(buffer.get(), kChunkSize)) {
        if (cipher == nullptr) crc = static_cast<std::uint32_t>(::crc32(crc, buffer.get(), static_cast<uInt>(count)));
        target.Write(buffer.get(), count);
    }
    if (source.Truncated()) return TExtractResult::Damaged;
    // The cipher's first key ran the CRC-32 register over the same plain bytes: no second pass.
    if (cipher != nullptr) crc = Crc32FromKey0(keyBefore, cipher->Key0(), entry.UncompressedSize);
    return TExtractResult::Ok;
}

TExtractResult Inflate(IEntrySource& source, const TZipEntry& entry, TStream& target, std::uint32_t& crc) {
    if (entry.UncompressedSize > (source.Remaining() + 1) * kMaxDeflateRatio) return TExtractResult::Damaged;
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return TExtractResult::Damaged;
    struct Guard {
        z_stream* zs;
        ~Guard() { inflateEnd(zs); }
    } guard{&zs};

    auto input = std::make_unique<std::uint8_t[]>(kChunkSize);
    auto output = std::make_unique<std::uint8_t[]>(kChunkSize);
    std::uint64_t produced = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            zs.avail_in = static_cast<uInt>(source.Next(input.get(), kChunkSize));
            zs.next_in = input.get();
            if (zs.avail_in == 0 && source.Truncated()) return TExtractResult::Damaged;
        }
        zs.next_out = output.get();
        zs.avail_out = static_cast<uInt>(kChunkSize);
        status = inflate(&zs, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return TExtractResult::Damaged;
        const std::size_t count = kChunkSize - zs.avail_out;
        // Never more than the declared size reaches the target, whatever the data holds.
        if (produced + count > entry.UncompressedSize) return TExtractResult::Damaged;
        if (count == 0 && status == Z_BUF_ERROR && zs.avail_in == 0 && source.Remaining() == 0)
            return TExtractResult::Damaged;  // the data ends before the deflate stream does
        crc = static_cast<std::uint32_t>(::crc32(crc, output.get(), static_cast<uInt>(count)));
        target.Write(output.get(), count);
        produced += count;
    }
    return produced == entry.UncompressedSize ? TExtractResult::Ok : TExtractResult::Damaged;
}

}  // namespace

const char* DescribeExtractResult(TExtractResult result) {
    switch (result) {
        case TExtractResult::Ok: return "ok";
        case TExtractResult::NotFound: return "no such entry";
        case TExtractResult::WrongPassword: return "wrong password";
        case TExtractResult::Damaged: return "damaged data";
        case TExtractResult::CrcMismatch: return "CRC-32 mismatch";
        case TExtractResult::Unsupported: return "unsupported compression or encryption";
    }
    return "unknown";
}

void TZipArchive::Open(TStream& stream) {
    auto source = std::make_unique<TLockedStreamSource>(stream);
    Open(static_cast<const IByteSource&>(*source));
    ownSource_ = std::move(source);
}

void TZipArchive::Open(const IByteSource& source) {
    entries_.clear();
    index_.clear();
    source_ = nullptr;
    ownSource_.reset();

    const std::int64_t size = source.Size();
    if (size < kEndOfCentralDirectorySize) throw EArchiveError("The stream holds no ZIP archive");

    // The end record sits at the end, followed only by the archive comment, whose length it
    // gives: a signature whose comment ends exactly there is the record, and wins over any
    // other (a record planted in the comment must not replace the real one). Only when none
    // does, bytes after the archive are taken as something appended to it later (a code
    // signature appended to a signed executable): then the last record that fits is used.
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::int64_t>(size, kEndOfCentralDirectorySize + kMaxCommentSize));
    std::vector<std::uint8_t> tail(tailSize);
    if (!source.ReadExactAt(size - static_cast<std::int64_t>(tailSize), tail.data(), tailSize))
        throw EArchiveError("The stream holds no ZIP archive");
    std::optional<std::size_t> endRecord;
    std::optional<std::size_t> endRecordBeforeTrailingBytes;
    for (std::size_t at = tailSize - kEndOfCentralDirectorySize + 1; at-- > 0;) {
        if (GetU32(&tail[at]) != kEndOfCentralDirectorySignature) continue;
        const std::size_t recordEnd = at + kEndOfCentralDirectorySize + GetU16(&tail[at + 20]);
        if (recordEnd == tailSize) {
            endRecord = at;
            break;
        }
        if (recordEnd < tailSize && !endRecordBeforeTrailingBytes) endRecordBeforeTrailingBytes = at;
    }
    if (!endRecord) endRecord = endRecordBeforeTrailingBytes;
    if (!endRecord) throw EArchiveError("The stream holds no ZIP archive");

    const std::uint8_t* end = &tail[*endRecord];
    const std::int64_t endRecordOffset = size - static_cast<std::int64_t>(tailSize - *endRecord);
    const std::uint16_t diskNumber = GetU16(end + 4);
    const std::uint16_t directoryDisk = GetU16(end + 6);
    const std::uint16_t entriesOnDisk = GetU16(end + 8);
    const std::uint16_t entryCount = GetU16(end + 10);
    const std::uint32_t directorySize = GetU32(end + 12);
    const std::uint32_t directoryOffset = GetU32(end + 16);
    if (entryCount == 0xFFFF || directoryOffset == 0xFFFFFFFF || directorySize == 0xFFFFFFFF)
        throw EArchiveError("ZIP64 archives are not supported");
    if (diskNumber != 0 || directoryDisk != 0 || entriesOnDisk != entryCount)
        throw EArchiveError("Archives that span several disks are not supported");
    if (std::int64_t{directoryOffset} + directorySize > endRecordOffset)
        throw EArchiveError("The ZIP central directory lies outside the archive");

    std::vector<std::uint8_t> directory(directorySize);
    if (!source.ReadExactAt(directoryOffset, directory.data(), directory.size()))
        throw EArchiveError("The ZIP central directory lies outside the archive");

    // The directory is walked by its size, not by the count: a count of 16 bits wraps, and an
    // archive with 65,536 entries or more (a ZIP64 archive without its ZIP64 records) would
    // otherwise list a fraction of them.
    std::vector<TZipEntry> entries;
    entries.reserve(std::min<std::size_t>(entryCount, directorySize / kCentralHeaderSize));
    std::size_t at = 0;
    while (at < directory.size()) {
        if (entries.size() == entryCount)
            throw EArchiveError("The ZIP central directory holds more entries than its end record counts "
                               "(65,535 entries or more need ZIP64, which is not supported)");
        if (at + kCentralHeaderSize > directory.size() || GetU32(&directory[at]) != kCentralHeaderSignature)
            throw EArchiveError("The ZIP central directory is damaged");
        const std::uint8_t* record = &directory[at];
        const std::size_t nameLength = GetU16(record + 28);
        const std::size_t recordSize = kCentralHeaderSize + nameLength + GetU16(record + 30) + GetU16(record + 32);
        if (at + recordSize > directory.size()) throw EArchiveError("The ZIP central directory is damaged");
        TZipEntry entry;
        entry.Flags = GetU16(record + 8);
        entry.Method = GetU16(record + 10);
        entry.ModTime = GetU16(record + 12);
        entry.ModDate = GetU16(record + 14);
        entry.Crc32 = GetU32(record + 16);
        entry.CompressedSize = GetU32(record + 20);
        entry.UncompressedSize = GetU32(record + 24);
        entry.LocalHeaderOffset = GetU32(record + 42);
        entry.Name.assign(reinterpret_cast<const char*>(record + kCentralHeaderSize), nameLength);
        entries.push_back(std::move(entry));
        at += recordSize;
    }
    if (entries.size() != entryCount) throw EArchiveError("The ZIP central directory is damaged");

    entries_ = std::move(entries);
    index_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
        index_.emplace(FoldAsciiCase(entries_[i].Name), static_cast<int>(i));
    source_ = &source;
    size_ = size;
}

int TZipArchive::FindFile(std::string_view name) const {
    const auto found = index_.find(FoldAsciiCase(name));
    return found == index_.end() ? -1 : found->second;
}

void TZipArchive::ExtractToStream(std::string_view name, TStream& target) const {
    // The archive's own faults come back as results and read as a missing entry; an error of
    // the streams themselves (a target that cannot be written: a full disk) is raised, since
    // the caller would otherwise take an unwritten file for a missing one.
    static_cast<void>(ExtractToStreamChecked(name, target));
}

TExtractResult TZipArchive::ExtractToStreamChecked(std::string_view name, TStream& target) const {
    return ExtractToStreamChecked(FindFile(name), target);
}

TExtractResult TZipArchive::ExtractToStreamChecked(int index, TStream& target) const {
    if (source_ == nullptr || index < 0 || index >= FileCount()) return TExtractResult::NotFound;
    const TZipEntry& entry = entries_[static_cast<std::size_t>(index)];

    // Appending to the target can be undone by cutting it back; writing into the middle of it
    // goes through a scratch stream so that a failure leaves the target's bytes untouched.
    const std::int64_t start = target.Position();
    if (start != target.Size()) {
        TMemoryStream scratch;
        const TExtractResult result = ExtractEntry(entry, scratch);
        if (result == TExtractResult::Ok) target.Write(scratch.Bytes().data(), scratch.Bytes().size());
        return result;
    }
    TExtractResult result;
    try {
        result = ExtractEntry(entry, target);
    } catch (...) {
        // The first error is the one to report; a target that cannot be cut back either
        // must not replace it.
        try {
            target.SetSize(start);
        } catch (const EVellumError&) {
        }
        throw;
    }
    if (result != TExtractResult::Ok) target.SetSize(start);
    return result;
}

TExtractResult TZipArchive::ExtractEntry(const TZipEntry& entry, TStream& target) const {
    if (entry.Flags & kFlagStrongEncryption) return TExtractResult::Unsupported;
    if (entry.Method != kMethodStored && entry.Method != kMethodDeflate) return TExtractResult::Unsupported;

    std::array<std::uint8_t, kLocalHeaderSize> local{};
    if (std::int64_t{entry.LocalHeaderOffset} + kLocalHeaderSize > size_ ||
        !source_->ReadExactAt(entry.LocalHeaderOffset, local.data(), local.size()) ||
        GetU32(local.data()) != kLocalHeaderSignature)
        return TExtractResult::Damaged;
    std::int64_t dataOffset =
        std::int64_t{entry.LocalHeaderOffset} + kLocalHeaderSize + GetU16(&local[26]) + GetU16(&local[28]);
    std::uint64_t dataSize = entry.CompressedSize;
    if (dataOffset + static_cast<std::int64_t>(dataSize) > size_) return TExtractResult::Damaged;

    std::optional<TZipCipher> cipher;
    if (entry.Flags & kFlagEncrypted) {
        if (dataSize < TZipCipher::kHeaderSize) return TExtractResult::Damaged;
        std::array<std::uint8_t, TZipCipher::kHeaderSize> header{};
        if (!source_->ReadExactAt(dataOffset, header.data(), header.size())) return TExtractResult::Damaged;
        cipher.emplace(password_);
        cipher->Decrypt(header.data(), header.size());
        // The last header byte checks the password: the high byte of the CRC, or of the DOS time
        // when the sizes follow in a data descriptor. Writers differ in which one they use with
        // a descriptor, so either is accepted; the CRC check below catches the rest.
        const std::uint8_t check = header.back();
        const bool matches =
            check == static_cast<std::uint8_t>(entry.Crc32 >> 24) ||
            ((entry.Flags & kFlagDataDescriptor) && check == static_cast<std::uint8_t>(entry.ModTime >> 8));
        if (!matches) return TExtractResult::WrongPassword;
        dataOffset += TZipCipher::kHeaderSize;
        dataSize -= TZipCipher::kHeaderSize;
    }

    // Room for the output up front, but never more than the stored bytes can honestly give:
    // a declared size is only a claim until the data has been decoded.
    target.ExpectMore(std::min<std::int64_t>(entry.UncompressedSize, static_cast<std::int64_t>(dataSize) * 8));
    std::uint32_t crc = 0;
    TExtractResult result;
    if (entry.Method == kMethodStored) {
        TEntrySource source(*source_, dataOffset, dataSize, cipher ? &*cipher : nullptr);
        result = CopyStored(source, cipher ? &*cipher : nullptr, entry, target, crc);
    } else if (cipher && dataSize >= kDecryptAheadThreshold) {
        TDecryptAheadSource source(*source_, dataOffset, dataSize, *cipher);
        result = Inflate(source, entry, target, crc);
    } else {
        TEntrySource source(*source_, dataOffset, dataSize, cipher ? &*cipher : nullptr);
        result = Inflate(source, entry, target, crc);
    }
    if (result != TExtractResult::Ok) return result;
    return crc == entry.Crc32 ? TExtractResult::Ok : TExtractResult::CrcMismatch;
}

}  // namespace vellum
