#include "tools/pack/project_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vellum::pack {

namespace {

std::string DescribeFileType(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder, not a file";
    if (S_ISFIFO(mode)) return "is a named pipe (FIFO), not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    if (S_ISCHR(mode)) return "is a character device, not a regular file";
    if (S_ISBLK(mode)) return "is a block device, not a regular file";
    return "is not a regular file";
}

TProjectFileContents Failed(TProjectFileContents::TOutcome outcome, std::string problem) {
    TProjectFileContents contents;
    contents.Outcome = outcome;
    contents.Problem = std::move(problem);
    return contents;
}

TProjectFileContents Unreadable(int error) {
    return Failed(TProjectFileContents::TOutcome::Unreadable, std::string("cannot be read: ") + std::strerror(error));
}

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

TProjectFileContents ReadProjectFile(const std::filesystem::path& path) {
    using TOutcome = TProjectFileContents::TOutcome;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? Failed(TOutcome::Missing, "does not exist") : Unreadable(errno);
    if (!S_ISREG(info.st_mode)) return Failed(TOutcome::NotAFile, DescribeFileType(info.st_mode));

    // Without O_NONBLOCK, opening a pipe that replaced the file since the check would wait for a
    // writer; the descriptor's own type is checked again.
    const TDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) return errno == ENOENT ? Failed(TOutcome::Missing, "does not exist") : Unreadable(errno);
    if (::fstat(file.Get(), &info) != 0) return Unreadable(errno);
    if (!S_ISREG(info.st_mode)) return Failed(TOutcome::NotAFile, DescribeFileType(info.st_mode));

    TProjectFileContents contents;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return Unreadable(errno);
        if (count == 0) break;
        contents.Bytes.append(buffer, static_cast<std::size_t>(count));
    }
    contents.Outcome = TOutcome::Read;
    return contents;
}

std::string NonRegularFileProblem(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return {};
    return DescribeFileType(info.st_mode);
}

}  // namespace vellum::pack
