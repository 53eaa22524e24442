#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "core/stream/stream.h"

namespace vellum {

// Bytes read by offset, with no position of their own, so that several threads can read the
// same source at once (a browser engine reads several responses at a time). ReadAt returns
// fewer bytes than asked only at the end; errors of the underlying file raise EFileError.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual std::int64_t Size() const = 0;
    virtual std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const = 0;

    // Reads exactly count bytes; false when the source ends first.
    bool ReadExactAt(std::int64_t offset, void* buffer, std::size_t count) const {
        return offset >= 0 && ReadAt(offset, buffer, count) == count;
    }
};

// Bytes that lie in memory as one block: a mapped file, a buffer.
class TMemoryByteSource : public IByteSource {
public:
    TMemoryByteSource(const std::uint8_t* data, std::int64_t size) : data_(data), size_(size) {}
    std::int64_t Size() const override { return size_; }
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const override;

protected:
    TMemoryByteSource() = default;
    void Reset(const std::uint8_t* data, std::int64_t size) { data_ = data, size_ = size; }

private:
    const std::uint8_t* data_ = nullptr;
    std::int64_t size_ = 0;
};

// A stream read by offset: each read seeks and reads under a lock, so readers on several
// threads take turns instead of moving one another's position.
class TLockedStreamSource final : public IByteSource {
public:
    explicit TLockedStreamSource(TStream& stream) : stream_(stream), size_(stream.Size()) {}
    std::int64_t Size() const override { return size_; }
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const override;

private:
    TStream& stream_;
    std::int64_t size_;
    mutable std::mutex mutex_;
};

// A stream over a byte source with a position of its own: one per reader.
class TByteSourceStream final : public TStream {
public:
    explicit TByteSourceStream(const IByteSource& source) : source_(source) {}
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void*, std::size_t) override;
    std::int64_t Position() const override { return position_; }
    void SetPosition(std::int64_t position) override;
    std::int64_t Size() const override { return source_.Size(); }
    void SetSize(std::int64_t) override;

private:
    const IByteSource& source_;
    std::int64_t position_ = 0;
};

}  // namespace vellum
