#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vellum {

// A seekable byte stream. Read returns the number of bytes read (0 at the end); Write
// writes everything or throws EFileError.
class TStream {
public:
    virtual ~TStream() = default;
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Position() const = 0;
    virtual void SetPosition(std::int64_t position) = 0;
    virtual std::int64_t Size() const = 0;
    // Cuts the stream or extends it with zeros; the position is kept unless beyond the new end.
    virtual void SetSize(std::int64_t size) = 0;

    // A hint that about `count` more bytes will be written; streams that can use it make room.
    virtual void ExpectMore(std::int64_t /*count*/) {}

    // Reads exactly count bytes; false when the stream ends first.
    bool ReadExact(void* buffer, std::size_t count);
};

class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Position() const override { return static_cast<std::int64_t>(position_); }
    void SetPosition(std::int64_t position) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    void SetSize(std::int64_t size) override;

    // Makes room for size bytes so that a copy of known length does not grow the buffer twice.
    void Reserve(std::int64_t size) { bytes_.reserve(static_cast<std::size_t>(size)); }
    void ExpectMore(std::int64_t count) override { Reserve(static_cast<std::int64_t>(position_) + count); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::string ToString() const { return std::string(bytes_.begin(), bytes_.end()); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class TFileStream final : public TStream {
public:
    enum class TMode { OpenRead, Create, OpenReadWrite };
    // Throws EFileError naming the path when the file cannot be opened or created.
    TFileStream(const std::filesystem::path& path, TMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Position() const override;
    void SetPosition(std::int64_t position) override;
    std::int64_t Size() const override;
    void SetSize(std::int64_t size) override;
    // Flushes and closes; throws when buffered data cannot be written.
    void Close();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// A read-only view of another stream from an offset to that stream's end, so that an archive
// appended to an executable can be read with offsets relative to its own first byte.
class TWindowStream final : public TStream {
public:
    TWindowStream(TStream& base, std::int64_t offset) : base_(base), offset_(offset) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void*, std::size_t) override;
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override { position_ = position; }
    std::int64_t Size() const override;
    void SetSize(std::int64_t) override;

private:
    TStream& base_;
    std::int64_t offset_;
    std::int64_t position_ = 0;
};

}  // namespace vellum
