#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "core/system/mapped_file.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw EFileError("Cannot " + what + " file \"" + PathToUtf8(path) + "\". " + std::strerror(error));
}

}  // namespace

TMappedFile::TMappedFile(const std::filesystem::path& path, std::int64_t offset) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) Fail("open", path, errno);
    struct stat status {};
    if (::fstat(file, &status) != 0) {
        const int error = errno;
        ::close(file);
        Fail("read", path, error);
    }
    const std::int64_t size = status.st_size;
    if (!S_ISREG(status.st_mode) || offset < 0 || offset > size) {
        ::close(file);
        throw EFileError("Cannot map file \"" + PathToUtf8(path) + "\" from byte " + std::to_string(offset) +
                         ": it is not a file of that length");
    }
    if (offset == size) {  // nothing to map; mmap refuses a length of zero
        ::close(file);
        return;
    }
    // Mappings start at a page boundary; the bytes before the offset are mapped but never read.
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    const std::int64_t start = offset - offset % page;
    viewSize_ = static_cast<std::size_t>(size - start);
    void* view = ::mmap(nullptr, viewSize_, PROT_READ, MAP_PRIVATE, file, start);
    const int error = errno;
    ::close(file);  // the mapping keeps the file open
    if (view == MAP_FAILED) Fail("map", path, error);
    view_ = view;
    Reset(static_cast<const std::uint8_t*>(view_) + (offset - start), size - offset);
}

TMappedFile::~TMappedFile() {
    if (view_ != nullptr) ::munmap(view_, viewSize_);
}

}  // namespace vellum
