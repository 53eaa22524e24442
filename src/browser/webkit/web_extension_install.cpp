#include "browser/webkit/web_extension_install.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace vellum {

namespace {

const char* const kExtensionFolder = "webkit-extension";
const char* const kExtensionFile = "libvellum-web-extension.so";

bool HoldsBytes(const std::filesystem::path& file, const TEmbeddedBytes& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::vector<char> present{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return present.size() == bytes.Size && std::memcmp(present.data(), bytes.Data, bytes.Size) == 0;
}

}  // namespace

std::string InstallWebExtension(const std::string& dataDir) {
    namespace fs = std::filesystem;
    const TEmbeddedBytes bytes = EmbeddedWebExtension();
    const fs::path folder = fs::path(dataDir) / kExtensionFolder;
    const fs::path target = folder / kExtensionFile;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "vellum: cannot create %s: %s\n", folder.c_str(), error.message().c_str());
        return {};
    }
    if (HoldsBytes(target, bytes)) return folder.string();
    // Written beside the target under a name of its own and renamed over it in one step, so a
    // second instance starting at the same moment never loads half a library.
    std::string temporary = (folder / (std::string(kExtensionFile) + ".XXXXXX")).string();
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        std::fprintf(stderr, "vellum: cannot write the web extension in %s\n", folder.c_str());
        return {};
    }
    std::size_t written = 0;
    while (written < bytes.Size) {
        const ssize_t step = write(descriptor, bytes.Data + written, bytes.Size - written);
        if (step <= 0) break;
        written += static_cast<std::size_t>(step);
    }
    const bool closed = close(descriptor) == 0;
    if (written != bytes.Size || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "vellum: cannot write the web extension %s\n", target.c_str());
        return {};
    }
    return folder.string();
}

}  // namespace vellum
