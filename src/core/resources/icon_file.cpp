#include "core/resources/icon_file.h"

#include <algorithm>
#include <cstring>

#include "core/resources/le_bytes.h"

namespace vellum {

std::optional<std::vector<TIconImage>> ParseIconFile(std::span<const std::uint8_t> file) {
    if (file.size() < 6 || (file[0] == 'M' && file[1] == 'Z')) return std::nullopt;
    const std::uint16_t count = *le::U16(file, 4);
    if (file.size() < 6 + std::size_t{16} * count) return std::nullopt;
    // The images take the identifiers 100, 101, ...: more than fit below 65,536 would wrap
    // around to identifiers in use (or to 0, which names no resource).
    if (count > kMaxIconImages) return std::nullopt;
    std::vector<TIconImage> images(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * i;
        TIconImage& image = images[i];
        std::memcpy(image.Entry, &file[entry], sizeof image.Entry);
        image.Size = *le::U32(file, entry + 8);
        image.Offset = *le::U32(file, entry + 12);
        const std::uint64_t end = std::uint64_t{image.Offset} + image.Size;
        if (end > 0xFFFFFFFFull || end > file.size()) return std::nullopt;
    }
    return images;
}

std::vector<std::uint8_t> BuildIconGroup(std::span<const std::uint8_t> oldGroup, const std::vector<TIconImage>& images) {
    std::vector<std::uint8_t> group(6 + 14 * images.size());
    std::memcpy(group.data(), oldGroup.data(), std::min<std::size_t>(4, oldGroup.size()));
    le::PutU16(group, 4, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::memcpy(&group[6 + 14 * i], images[i].Entry, 12);
        le::PutU16(group, 6 + 14 * i + 12, static_cast<std::uint16_t>(kFirstNewIconId + i));
    }
    return group;
}

std::vector<std::uint16_t> IconGroupIds(std::span<const std::uint8_t> group) {
    if (group.size() < 6) return {};
    const std::size_t count = std::min<std::size_t>(*le::U16(group, 4), (group.size() - 6) / 14);
    std::vector<std::uint16_t> ids(count);
    for (std::size_t i = 0; i < count; ++i) ids[i] = *le::U16(group, 6 + 14 * i + 12);
    return ids;
}

}  // namespace vellum
