#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vellum {

// An icon file (.ico) holds up to 65,535 images; the main icon of an executable is a group
// resource that lists them, each image being an icon resource of its own.
constexpr std::size_t kMaxIconFileSize = 1048576;
constexpr std::uint16_t kNewIconLanguage = 1033;
constexpr std::uint16_t kFirstNewIconId = 100;
constexpr std::size_t kMaxIconImages = 65536 - kFirstNewIconId;

// One image of an icon file: the first 12 bytes of its directory entry (width to size, as the
// group resource repeats them) and where its bytes are.
struct TIconImage {
    std::uint8_t Entry[12];
    std::uint32_t Offset;
    std::uint32_t Size;
};

// The images of a valid icon file, nothing when it is not one: at least 6 bytes, not an
// executable ("MZ"), room for every directory entry, every image inside the file, and no more
// images than there are identifiers from 100 up.
std::optional<std::vector<TIconImage>> ParseIconFile(std::span<const std::uint8_t> file);

// The group icon resource for the images, which take the identifiers 100, 101, ...; its first
// four bytes (idReserved, idType) come from the group it replaces, as far as that one has them.
std::vector<std::uint8_t> BuildIconGroup(std::span<const std::uint8_t> oldGroup, const std::vector<TIconImage>& images);

// The icon identifiers an existing group lists; a damaged group lists no more entries than its
// bytes hold.
std::vector<std::uint16_t> IconGroupIds(std::span<const std::uint8_t> group);

}  // namespace vellum
