#include "core/stream/byte_source.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"

namespace vellum {

std::size_t TMemoryByteSource::ReadAt(std::int64_t offset, void* buffer, std::size_t count) const {
    if (offset < 0 || offset >= size_) return 0;
    const auto available = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), size_ - offset));
    std::memcpy(buffer, data_ + offset, available);
    return available;
}

std::size_t TLockedStreamSource::ReadAt(std::int64_t offset, void* buffer, std::size_t count) const {
    if (offset < 0 || offset >= size_) return 0;
    std::lock_guard lock(mutex_);
    stream_.SetPosition(offset);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t read = stream_.Read(bytes + done, count - done);
        if (read == 0) break;
        done += read;
    }
    return done;
}

std::size_t TByteSourceStream::Read(void* buffer, std::size_t count) {
    const std::size_t read = source_.ReadAt(position_, buffer, count);
    position_ += static_cast<std::int64_t>(read);
    return read;
}

void TByteSourceStream::Write(const void*, std::size_t) {
    throw EFileError("Stream is read-only");
}

void TByteSourceStream::SetPosition(std::int64_t position) {
    if (position < 0) throw EFileError("Stream position out of range");
    position_ = position;
}

void TByteSourceStream::SetSize(std::int64_t) {
    throw EFileError("Stream is read-only");
}

}  // namespace vellum
