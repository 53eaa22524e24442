#include "core/stream/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "core/text/utf.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vellum {

bool TStream::ReadExact(void* buffer, std::size_t count) {
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t read = Read(bytes, count);
        if (read == 0) return false;
        bytes += read;
        count -= read;
    }
    return true;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= bytes_.size()) return 0;
    const std::size_t available = std::min(count, bytes_.size() - position_);
    std::memcpy(buffer, bytes_.data() + position_, available);
    position_ += available;
    return available;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (position_ == bytes_.size()) {
        bytes_.insert(bytes_.end(), bytes, bytes + count);  // appending: no zero-fill first
    } else {
        if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
        std::memcpy(bytes_.data() + position_, bytes, count);
    }
    position_ += count;
}

void TMemoryStream::SetPosition(std::int64_t position) {
    if (position < 0) throw EFileError("Stream position out of range");
    position_ = static_cast<std::size_t>(position);
}

void TMemoryStream::SetSize(std::int64_t size) {
    if (size < 0) throw EFileError("Stream size out of range");
    bytes_.resize(static_cast<std::size_t>(size));
    position_ = std::min(position_, bytes_.size());
}

namespace {

std::string SystemErrorText() {
    return std::strerror(errno);
}

}  // namespace

TFileStream::TFileStream(const std::filesystem::path& path, TMode mode) : path_(PathToUtf8(path)) {
#ifdef _WIN32
    const wchar_t* modeText = mode == TMode::OpenRead ? L"rb" : mode == TMode::Create ? L"w+b" : L"r+b";
    file_ = _wfopen(path.c_str(), modeText);
#else
    const char* modeText = mode == TMode::OpenRead ? "rb" : mode == TMode::Create ? "w+b" : "r+b";
    file_ = std::fopen(path.c_str(), modeText);
#endif
    if (file_ == nullptr) {
        const char* verb = mode == TMode::Create ? "create" : "open";
        throw EFileError("Cannot " + std::string(verb) + " file \"" + path_ + "\". " + SystemErrorText());
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

TFileStream::~TFileStream() {
    if (file_ != nullptr) std::fclose(file_);
}

void TFileStream::Close() {
    if (file_ == nullptr) return;
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0) throw EFileError("Cannot write file \"" + path_ + "\". " + SystemErrorText());
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    const std::size_t read = std::fread(buffer, 1, count, file_);
    if (read < count && std::ferror(file_))
        throw EFileError("Cannot read file \"" + path_ + "\". " + SystemErrorText());
    return read;
}

void TFileStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    if (std::fwrite(buffer, 1, count, file_) != count)
        throw EFileError("Cannot write file \"" + path_ + "\". " + SystemErrorText());
}

std::int64_t TFileStream::Position() const {
#ifdef _WIN32
    return _ftelli64(file_);
#else
    return ftello(file_);
#endif
}

void TFileStream::SetPosition(std::int64_t position) {
#ifdef _WIN32
    const int result = _fseeki64(file_, position, SEEK_SET);
#else
    const int result = fseeko(file_, position, SEEK_SET);
#endif
    if (result != 0) throw EFileError("Cannot seek in file \"" + path_ + "\". " + SystemErrorText());
}

std::int64_t TFileStream::Size() const {
    std::fflush(file_);
#ifdef _WIN32
    return _filelengthi64(_fileno(file_));
#else
    const off_t current = ftello(file_);
    fseeko(file_, 0, SEEK_END);
    const off_t size = ftello(file_);
    fseeko(file_, current, SEEK_SET);
    return size;
#endif
}

void TFileStream::SetSize(std::int64_t size) {
    std::fflush(file_);
#ifdef _WIN32
    const bool failed = _chsize_s(_fileno(file_), size) != 0;
#else
    const bool failed = ftruncate(fileno(file_), size) != 0;
#endif
    if (failed) throw EFileError("Cannot resize file \"" + path_ + "\". " + SystemErrorText());
    if (Position() > size) SetPosition(size);
}

std::size_t TWindowStream::Read(void* buffer, std::size_t count) {
    const std::int64_t available = Size() - position_;
    if (available <= 0) return 0;
    count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), available));
    base_.SetPosition(offset_ + position_);
    const std::size_t read = base_.Read(buffer, count);
    position_ += static_cast<std::int64_t>(read);
    return read;
}

void TWindowStream::Write(const void*, std::size_t) {
    throw EFileError("Stream is read-only");
}

std::int64_t TWindowStream::Size() const {
    return std::max<std::int64_t>(0, base_.Size() - offset_);
}

void TWindowStream::SetSize(std::int64_t) {
    throw EFileError("Stream is read-only");
}

}  // namespace vellum
