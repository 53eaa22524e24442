// The page's file operations on POSIX systems. "\" is read as "/" so that paths the bridge
// builds the Windows way reach real folders; a file whose name holds "\" cannot be reached.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/errors.h"
#include "platform/file_system.h"

namespace vellum {

namespace {

bool StatFollowing(const std::string& path, struct stat& status) {
    return !path.empty() && ::stat(TFileSystem::NativePath(path).c_str(), &status) == 0;
}

// Windows keeps a read-only file from being replaced or deleted; a file without any write
// permission bit counts as read-only here (bits, not access(): root may write anything).
bool IsReadOnly(const struct stat& status) {
    return S_ISREG(status.st_mode) && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

[[noreturn]] void Raise(const std::string& what, const std::string& path, int error) {
    throw EFileError(what + " \"" + path + "\". " + std::strerror(error));
}

}  // namespace

std::string TFileSystem::NativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

bool TFileSystem::IsFile(const std::string& path) {
    struct stat status {};
    return StatFollowing(path, status) && !S_ISDIR(status.st_mode);
}

bool TFileSystem::IsDirectory(const std::string& path) {
    struct stat status {};
    return StatFollowing(path, status) && S_ISDIR(status.st_mode);
}

bool TFileSystem::RemoveFile(const std::string& path) {
    struct stat status {};
    const std::string native = NativePath(path);
    if (native.empty() || ::lstat(native.c_str(), &status) != 0 || S_ISDIR(status.st_mode) || IsReadOnly(status))
        return false;
    return ::unlink(native.c_str()) == 0;
}

bool TFileSystem::MakeDirectory(const std::string& path) {
    const std::string native = NativePath(path);
    return !native.empty() && ::mkdir(native.c_str(), 0777) == 0;
}

void TFileSystem::MakeDirectories(const std::string& path) {
    const std::string native = NativePath(path);
    for (std::size_t at = native.find('/', 1); ; at = native.find('/', at + 1)) {
        const std::string prefix = native.substr(0, at);
        if (!prefix.empty() && prefix.back() != '/' && !IsDirectory(prefix) && ::mkdir(prefix.c_str(), 0777) != 0 &&
            !(errno == EEXIST && IsDirectory(prefix)))
            Raise("Cannot create folder", path, errno);
        if (at == std::string::npos) return;
    }
}

bool TFileSystem::RemoveDirectoryTree(const std::string& path) {
    const std::string native = NativePath(path);
    if (!IsDirectory(native)) return false;
    std::error_code error;
    std::filesystem::remove_all(native, error);
    return !error;
}

void TFileSystem::ForEachEntry(const std::string& folder, const TEntryVisitor& visit) {
    const std::string native = NativePath(folder);
    DIR* directory = ::opendir(native.c_str());
    if (directory == nullptr) Raise("Cannot read folder", folder, errno);
    struct Closer {
        DIR* d;
        ~Closer() { ::closedir(d); }
    } closer{directory};
    const std::string prefix = native.empty() || native.back() == '/' ? native : native + "/";
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            isFolder = ::lstat((prefix + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        } else if (entry->d_type == DT_LNK) {
            // A link to a folder is neither listed (folders never are) nor followed.
            struct stat status {};
            if (::stat((prefix + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode)) continue;
        }
        visit(name, isFolder);
    }
}

std::string TFileSystem::CreateFileBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(NativePath(path));
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "~vlm%08x%04x.tmp", static_cast<unsigned>(random()), counter++ & 0xFFFF);
        const std::string candidate = folder + name;
        const int file = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0) {
            ::close(file);
            return candidate;
        }
        if (errno != EEXIST) Raise("Cannot create file", path, errno);
    }
    Raise("Cannot create file", path, EEXIST);
}

void TFileSystem::MoveIntoPlace(const std::string& source, const std::string& target) {
    const std::string native = NativePath(target);
    struct stat status {};
    if (::stat(native.c_str(), &status) == 0) {
        if (IsReadOnly(status)) Raise("Cannot create file", target, EACCES);
        // Keeps the permissions of the file it replaces.
        if (S_ISREG(status.st_mode)) ::chmod(NativePath(source).c_str(), status.st_mode & 07777);
    }
    if (::rename(NativePath(source).c_str(), native.c_str()) != 0) Raise("Cannot create file", target, errno);
}

void TFileSystem::FlushToDisk(const std::string& path) {
    const int file = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) Raise("Cannot write file", path, errno);
    const bool synced = ::fsync(file) == 0;
    const int error = errno;
    ::close(file);
    if (!synced) Raise("Cannot write file", path, error);
}

}  // namespace vellum
