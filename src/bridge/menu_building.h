#pragma once

// How a page's JSON description of a menu becomes menu items: the presence rules of an item's
// keys, identifiers, the enabled flag, and the recursive building of items and sub-items.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/services/menu_service.h"

namespace vellum {

// Items nested deeper than this are refused as a wrong item: no menu a person opens goes
// nearly as deep, and the builder and the platform's menus both recurse per level.
inline constexpr int kMaxMenuDepth = 64;

// A key of a menu item object as text: a string's content, a number as written, "true" or
// "false", and "null" for null. Absent, an object or an array: nothing.
std::optional<std::string> MenuItemText(const nlohmann::json& item, const char* key);

// A whole number in 32 bits: optional blanks, an optional sign, then decimal digits ("$" or
// "0x" before hexadecimal ones) and nothing else. Nothing for any other text or one beyond
// 32 bits.
std::optional<std::int32_t> ParseMenuItemId(const std::string& text);

// The enabled flag from text: true or false in any letter case, or a number, zero meaning
// false. Anything else raises EConvertError naming `key`.
bool MenuEnabledFromText(const std::string& text, const char* key);

// Loads the image a menu item names; the answer is its index in the menu's images, or nothing
// when no image was found (the item keeps the one it has). Decoding errors are raised.
using TMenuImageLoader = std::function<std::optional<int>(const std::string& imagePath)>;

enum class TMenuBuild { Built, WrongItem };

// Builds one item from each element of `elements` (a JSON array) and appends it to `target`, in
// order, with its sub-items. An item without `caption` or `id`, with `items` that is not an
// array, or nested deeper than kMaxMenuDepth, stops the building with WrongItem. An element
// that is no object, or an `enabled` that is no Boolean, raises EConvertError; a failing image
// raises its error. When an error is raised, `target` keeps what was built before it: the items
// before the failing one, and the items above it with their sub-items built so far.
TMenuBuild BuildMenuItems(const nlohmann::json& elements, std::vector<TMenuItem>& target,
                          const TMenuImageLoader& loadImage, int depth = 1);

// The path of the first item, depth first (an item, then each sub-item's subtree in order),
// whose identifier is `id`; nothing when none has it.
std::optional<TMenuItemPath> FindMenuItem(const std::vector<TMenuItem>& items, std::int32_t id);

}  // namespace vellum
