#pragma once

#include <stdexcept>
#include <vector>

#include "bridge/services/menu_service.h"

namespace vellum {

// The item a path names, for the menus that keep their items as the page last gave them.
// std::out_of_range for an empty path or an index past the end of its level.
inline TMenuItem& MenuItemAt(std::vector<TMenuItem>& items, const TMenuItemPath& path) {
    if (path.empty()) throw std::out_of_range("An item path names at least one level");
    std::vector<TMenuItem>* level = &items;
    TMenuItem* item = nullptr;
    for (std::size_t index : path) {
        item = &level->at(index);
        level = &item->Items;
    }
    return *item;
}

// What a change gives replaces the item's own; what it leaves out stays.
inline void ApplyMenuItemChange(TMenuItem& item, const TMenuItemChange& change) {
    if (change.Caption) item.Caption = *change.Caption;
    if (change.Enabled) item.Enabled = *change.Enabled;
    if (change.ImageIndex) item.ImageIndex = *change.ImageIndex;
}

}  // namespace vellum
