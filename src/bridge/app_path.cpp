#include "bridge/app_path.h"

#include <algorithm>

namespace vellum {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "\\server\share": two backslashes, a server name, a backslash and a share name.
bool StartsWithUncShare(const std::string& path) {
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2) return false;
    return serverEnd + 1 < path.size() && path[serverEnd + 1] != '\\';
}

}  // namespace

std::string AppDirPathOf(const std::string& executablePath) {
    const std::size_t delimiter = executablePath.find_last_of("\\/");
    return delimiter == std::string::npos ? std::string() : executablePath.substr(0, delimiter + 1);
}

std::string ResolveAppPath(const std::string& path, const std::string& appDirPath) {
    const bool hasDrive = path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
    if (hasDrive || StartsWithUncShare(path)) return path;
    std::string relative = path;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return appDirPath + relative;
}

}  // namespace vellum
