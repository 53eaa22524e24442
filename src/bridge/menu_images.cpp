#include "bridge/menu_images.h"

#include <filesystem>
#include <fstream>

#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/stream/stream.h"
#include "core/text/utf.h"

namespace vellum {

namespace {

[[noreturn]] void RaiseTooLarge(const std::string& imagePath) {
    throw EVellumError("The menu image '" + imagePath + "' is too large");
}

// A regular file's bytes; nothing for anything else (a folder, a device, a pipe: reading those
// could block or never end).
std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path, const std::string& imagePath) {
    std::error_code error;
    const std::filesystem::path file = PathFromUtf8(path);
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return std::nullopt;
    if (size > kMaxMenuImageBytes) RaiseTooLarge(imagePath);
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadMenuImage(const TZipArchive* archive, const std::string& appDirPath,
                                                       const std::string& imagePath) {
    // A zero byte would end the name early on its way to the file system: some other file.
    if (imagePath.empty() || imagePath.find('\0') != std::string::npos) return std::nullopt;
    if (archive != nullptr) {
        const int index = archive->FindFile(imagePath);
        if (index >= 0) {
            if (archive->FileInfo(index).UncompressedSize > kMaxMenuImageBytes) RaiseTooLarge(imagePath);
            TMemoryStream bytes;
            archive->ExtractToStream(imagePath, bytes);
            // An entry that does not extract (damaged) holds no image.
            if (bytes.Size() == 0) return std::nullopt;
            return bytes.Bytes();
        }
    }
    if (auto beside = ReadRegularFile(appDirPath + imagePath, imagePath)) return beside;
    return ReadRegularFile(imagePath, imagePath);
}

}  // namespace vellum
