// The icon-file validator from arbitrary bytes: nothing, or images that all lie inside the
// file and fit the identifiers they will get; and the group built from them is as long as it
// says.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/resources/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const auto images = vellum::ParseIconFile(file);
    if (!images) return 0;
    if (images->size() > vellum::kMaxIconImages) std::abort();
    for (const vellum::TIconImage& image : *images)
        if (std::uint64_t{image.Offset} + image.Size > size) std::abort();
    const auto group = vellum::BuildIconGroup(file.first(std::min<std::size_t>(size, 6)), *images);
    if (group.size() != 6 + 14 * images->size() || vellum::IconGroupIds(group).size() != images->size()) std::abort();
    return 0;
}
