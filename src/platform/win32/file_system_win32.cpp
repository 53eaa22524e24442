// The page's file operations on Windows, with the system's own calls so that each one keeps
// the system's rules (DeleteFileW, CreateDirectoryW, MoveFileExW).
#include <windows.h>

#include <cstdio>
#include <random>

#include "core/errors.h"
#include "core/text/utf.h"
#include "platform/file_system.h"
#include "platform/sys_utils.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

std::string Narrow(const wchar_t* text) {
    std::u16string units;
    for (; *text != 0; ++text) units += static_cast<char16_t>(*text);
    return Utf16ToUtf8(units);
}

std::string SystemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length != 0 && buffer != nullptr ? Narrow(buffer) : "System error " + std::to_string(error);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

[[noreturn]] void Raise(const std::string& what, const std::string& path, DWORD error) {
    throw EFileError(what + " \"" + path + "\". " + SystemMessage(error));
}

// The attributes of what the path names, through a link to its target. INVALID_FILE_ATTRIBUTES
// when nothing (or a dangling link) is there.
DWORD TargetAttributes(const std::string& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return attributes;
    HANDLE file = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    return known ? information.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

bool IsDelimiter(char c) {
    return c == '\\' || c == '/';
}

// Where the folders of a path begin: after "C:\", "\\server\share\" or a leading delimiter.
std::size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsDelimiter(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsDelimiter(path[0]) && IsDelimiter(path[1])) {
        std::size_t at = path.find_first_of("\\/", 2);          // after the server
        if (at != std::string::npos) at = path.find_first_of("\\/", at + 1);  // after the share
        return at == std::string::npos ? path.size() : at + 1;
    }
    return path.empty() || !IsDelimiter(path[0]) ? 0 : 1;
}

std::string FolderOf(const std::string& path) {
    const std::size_t delimiter = path.find_last_of("\\/");
    return delimiter == std::string::npos ? std::string() : path.substr(0, delimiter + 1);
}

}  // namespace

std::string TFileSystem::NativePath(const std::string& path) {
    return path;
}

bool TFileSystem::IsFile(const std::string& path) {
    const DWORD attributes = TargetAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool TFileSystem::IsDirectory(const std::string& path) {
    const DWORD attributes = TargetAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool TFileSystem::RemoveFile(const std::string& path) {
    return !path.empty() && DeleteFileW(Wide(path).c_str()) != 0;
}

bool TFileSystem::MakeDirectory(const std::string& path) {
    return !path.empty() && CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

void TFileSystem::MakeDirectories(const std::string& path) {
    const std::size_t root = RootLength(path);
    for (std::size_t at = path.find_first_of("\\/", root);; at = path.find_first_of("\\/", at + 1)) {
        const std::string prefix = path.substr(0, at);
        if (prefix.size() > root && !IsDelimiter(prefix.back()) && !IsDirectory(prefix) &&
            CreateDirectoryW(Wide(prefix).c_str(), nullptr) == 0) {
            const DWORD error = GetLastError();
            if (!(error == ERROR_ALREADY_EXISTS && IsDirectory(prefix))) Raise("Cannot create folder", path, error);
        }
        if (at == std::string::npos) return;
    }
}

bool TFileSystem::RemoveDirectoryTree(const std::string& path) {
    return IsDirectory(path) && TSysUtils::DeleteDirectory(path);
}

void TFileSystem::ForEachEntry(const std::string& folder, const TEntryVisitor& visit) {
    const std::string pattern = folder + (folder.empty() || IsDelimiter(folder.back()) ? "*" : "\\*");
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;
        Raise("Cannot read folder", folder, error);
    }
    struct Closer {
        HANDLE h;
        ~Closer() { FindClose(h); }
    } closer{search};
    do {
        const std::string name = Narrow(found.cFileName);
        if (name == "." || name == "..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A link or junction to a folder is neither listed (folders never are) nor followed.
        if (isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
        visit(name, isFolder);
    } while (FindNextFileW(search, &found) != 0);
}

std::string TFileSystem::CreateFileBeside(const std::string& path) {
    const std::string folder = FolderOf(path);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "~vlm%08x.tmp", static_cast<unsigned>(random()));
        const std::string candidate = folder + name;
        HANDLE file = CreateFileW(Wide(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return candidate;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) Raise("Cannot create file", path, error);
    }
    Raise("Cannot create file", path, ERROR_FILE_EXISTS);
}

void TFileSystem::MoveIntoPlace(const std::string& source, const std::string& target) {
    // One step: the target is either the old file or the whole new one. A read-only target,
    // a folder or a file another program holds open refuses the move and stays as it was.
    // Windows refuses a read-only target itself; Wine 8 replaces it, so it is checked here.
    const DWORD attributes = GetFileAttributesW(Wide(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        Raise("Cannot create file", target, ERROR_ACCESS_DENIED);
    if (MoveFileExW(Wide(source).c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
        Raise("Cannot create file", target, GetLastError());
}

void TFileSystem::FlushToDisk(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Raise("Cannot write file", path, GetLastError());
    const bool flushed = FlushFileBuffers(file) != 0;
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!flushed) Raise("Cannot write file", path, error);
}

}  // namespace vellum
