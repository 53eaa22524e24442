#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellum {

class TZipArchive;

// Bigger image files are refused with an error instead of being read into memory: a menu
// shows its images 16 pixels square.
inline constexpr std::size_t kMaxMenuImageBytes = 64u << 20;

// The bytes of the image a menu item names: the attached archive's entry of that name (letters
// A to Z in any case, "/" between folders), else the file of that name in the executable's
// folder (`appDirPath` ends in a delimiter), else the file at the path itself. Nothing when
// none of them is there; only regular files are read. Raises EVellumError for an image larger
// than kMaxMenuImageBytes.
std::optional<std::vector<std::uint8_t>> ReadMenuImage(const TZipArchive* archive, const std::string& appDirPath,
                                                       const std::string& imagePath);

}  // namespace vellum
