#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace vellum {

// Run in the page when a project file changed: the page loads again, with everything it uses.
inline constexpr const char* kPreviewReloadScript = "location.reload();";

// The file a preview serves for the path of a "file:///" address (scheme, query and "%20"
// already taken care of): inside `folder`, or nothing. A path with a ".." part, a drive or a
// backslash, or one whose file lies outside the folder once links are followed, is refused:
// page text never reaches outside the project folder.
std::optional<std::filesystem::path> ResolvePreviewFile(const std::filesystem::path& folder, const std::string& path);

// What a folder holds, file by file (size and modification time), for telling that something in
// it changed. At most `limit` entries are looked at, so a huge folder costs a bounded amount.
class TFolderSnapshot {
public:
    static TFolderSnapshot Take(const std::filesystem::path& folder, std::size_t limit = 20000);
    bool operator==(const TFolderSnapshot& other) const = default;

private:
    std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> files_;
};

// Polled by the preview window: true once each time the folder's contents differ from the
// previous poll (a file written, added, removed or renamed).
class TFolderWatch {
public:
    explicit TFolderWatch(std::filesystem::path folder);
    bool Changed();

private:
    std::filesystem::path folder_;
    TFolderSnapshot last_;
};

}  // namespace vellum
