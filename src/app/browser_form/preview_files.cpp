#include "app/browser_form/preview_files.h"

#include <algorithm>

#include "core/text/utf.h"

namespace vellum {

std::optional<std::filesystem::path> ResolvePreviewFile(const std::filesystem::path& folder, const std::string& path) {
    if (path.find_first_of("\\:") != std::string::npos || path.find('\0') != std::string::npos) return std::nullopt;
    std::filesystem::path relative;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") relative /= PathFromUtf8(part);
        start = end + 1;
    }
    if (relative.empty()) return std::nullopt;

    // Links are followed to where they lead; that place must still be inside the folder.
    std::error_code error;
    const std::filesystem::path root = std::filesystem::canonical(folder, error);
    if (error) return std::nullopt;
    const std::filesystem::path file = std::filesystem::canonical(root / relative, error);
    if (error || !std::filesystem::is_regular_file(file, error)) return std::nullopt;
    if (std::mismatch(root.begin(), root.end(), file.begin(), file.end()).first != root.end()) return std::nullopt;
    return file;
}

TFolderSnapshot TFolderSnapshot::Take(const std::filesystem::path& folder, std::size_t limit) {
    TFolderSnapshot snapshot;
    std::error_code error;
    std::filesystem::recursive_directory_iterator it(folder, std::filesystem::directory_options::skip_permission_denied,
                                                     error);
    const std::filesystem::recursive_directory_iterator end;
    for (std::size_t seen = 0; !error && it != end && seen < limit; it.increment(error), ++seen) {
        std::error_code entryError;
        const std::filesystem::directory_entry& entry = *it;
        if (!entry.is_regular_file(entryError)) continue;
        const std::uintmax_t size = entry.file_size(entryError);
        const auto time = entry.last_write_time(entryError);
        if (entryError) continue;  // gone meanwhile: the next poll sees it missing
        snapshot.files_[PathToUtf8(entry.path())] = {size, time.time_since_epoch().count()};
    }
    return snapshot;
}

TFolderWatch::TFolderWatch(std::filesystem::path folder)
    : folder_(std::move(folder)), last_(TFolderSnapshot::Take(folder_)) {}

bool TFolderWatch::Changed() {
    TFolderSnapshot now = TFolderSnapshot::Take(folder_);
    if (now == last_) return false;
    last_ = std::move(now);
    return true;
}

}  // namespace vellum
