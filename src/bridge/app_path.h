#pragma once

#include <string>

namespace vellum {

// The folder of the running executable, ending in its path delimiter ("C:\apps\hello\").
std::string AppDirPathOf(const std::string& executablePath);

// A page's path as the file functions use it. A path that starts with a drive ("C:") or a UNC
// server and share ("\\server\share") is used as given, forward slashes included. Any other
// path has every "/" replaced by "\" and is appended to `appDirPath`; nothing else is
// normalised: a leading "\" gives a doubled delimiter and ".." reaches the file system as is.
std::string ResolveAppPath(const std::string& path, const std::string& appDirPath);

}  // namespace vellum
