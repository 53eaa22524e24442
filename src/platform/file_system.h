#pragma once

#include <functional>
#include <string>

namespace vellum {

// The file operations a page asks for, on the platform's own file system. Paths are UTF-8 and
// taken as given (no normalisation); on POSIX every "\" is read as "/", since the bridge writes
// "\" between folders on every platform. Operations answering a Boolean never raise.
class TFileSystem {
public:
    // The path as the platform's calls take it ("\" -> "/" on POSIX, unchanged on Windows).
    static std::string NativePath(const std::string& path);

    // A file, not a folder, is there; links are followed.
    static bool IsFile(const std::string& path);
    // A folder is there; links are followed.
    static bool IsDirectory(const std::string& path);
    // Deletes one file the way DeleteFileW does: not a folder, not a read-only file.
    static bool RemoveFile(const std::string& path);
    // Creates the last level of the path only; false when it exists or its parent is missing.
    static bool MakeDirectory(const std::string& path);
    // Creates every missing folder of the path; throws EFileError naming the one that failed.
    static void MakeDirectories(const std::string& path);
    // A folder with everything in it, links removed rather than followed.
    static bool RemoveDirectoryTree(const std::string& path);

    // The entries of one folder in the system's order, without "." and "..". `isFolder` is set
    // for folders reached directly (a link to a folder is not descended into: no loops).
    // Throws EFileError when the folder cannot be read.
    using TEntryVisitor = std::function<void(const std::string& name, bool isFolder)>;
    static void ForEachEntry(const std::string& folder, const TEntryVisitor& visit);

    // Creates a new empty file with a name of its own in the folder of `path` and answers its
    // path; throws EFileError.
    static std::string CreateFileBeside(const std::string& path);
    // Puts `source` in place of `target` in one step (a rename); the old target stays whole
    // when this fails. A read-only target, or a folder, is not replaced. Throws EFileError.
    static void MoveIntoPlace(const std::string& source, const std::string& target);
    // Pushes a closed file's content to the disk before it replaces another.
    static void FlushToDisk(const std::string& path);
};

}  // namespace vellum
