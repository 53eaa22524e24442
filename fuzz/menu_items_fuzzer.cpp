// The menu builder on arbitrary text as a page's `items`: parsed as JSON and built into items
// the way setItems builds them, with an image loader that numbers every image it is asked for.
// Faults besides a crash: an error other than EConvertError; an item deeper than the limit; a
// clickable item with sub-items; an image index that was never handed out; an item that
// FindMenuItem reports at a path leading elsewhere.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "bridge/menu_building.h"
#include "core/errors.h"

using namespace vellum;

namespace {

void CheckItems(const std::vector<TMenuItem>& items, const std::vector<TMenuItem>& top, int depth, int images) {
    if (!items.empty() && depth > kMaxMenuDepth) std::abort();
    for (const TMenuItem& item : items) {
        if (item.Clickable && !item.Items.empty()) std::abort();
        if (item.ImageIndex < -1 || item.ImageIndex >= images) std::abort();
        const std::optional<TMenuItemPath> path = FindMenuItem(top, item.Id);
        if (!path) std::abort();
        const std::vector<TMenuItem>* level = &top;
        const TMenuItem* found = nullptr;
        for (std::size_t index : *path) {
            found = &level->at(index);
            level = &found->Items;
        }
        if (found->Id != item.Id) std::abort();
        CheckItems(item.Items, top, depth + 1, images);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const nlohmann::json elements = nlohmann::json::parse(text, nullptr, false);
    if (elements.is_discarded() || !elements.is_array()) return 0;
    int images = 0;
    const TMenuImageLoader loader = [&images](const std::string& path) -> std::optional<int> {
        if (path.empty() || path[0] == 'x') return std::nullopt;  // some images are missing
        return images++;
    };
    std::vector<TMenuItem> built;
    try {
        BuildMenuItems(elements, built, loader);
    } catch (const EConvertError&) {
        // what was built before the error stays, and must be as sound as a complete menu
    }
    CheckItems(built, built, 1, images);
    return 0;
}
