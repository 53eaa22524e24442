#include "bridge/menu_building.h"


#include "bridge/number_text.h"
#include "core/errors.h"
#include "core/text/ascii_case.h"

namespace vellum {

namespace {

// What building one item came to; `InSubItems` tells whether a raised error came from its
// sub-items, in which case the item itself is kept above them.
struct TItemBuilder {
    const TMenuImageLoader& LoadImage;
    bool InSubItems = false;

    TMenuBuild Build(const nlohmann::json& element, TMenuItem& item, int depth) {
        if (!element.is_object()) throw EConvertError("A menu item is not a JSON object");
        const std::optional<std::string> caption = MenuItemText(element, "caption");
        const std::optional<std::string> id = MenuItemText(element, "id");
        if (!caption || !id || depth > kMaxMenuDepth) return TMenuBuild::WrongItem;
        item.Id = ParseMenuItemId(*id).value_or(0);
        item.Caption = *caption;
        if (const auto enabled = MenuItemText(element, "enabled")) item.Enabled = MenuEnabledFromText(*enabled, "enabled");
        if (const auto image = MenuItemText(element, "image"))
            if (const std::optional<int> index = LoadImage(*image)) item.ImageIndex = *index;
        const auto subItems = element.find("items");
        if (subItems == element.end()) return TMenuBuild::Built;  // a clickable item
        if (!subItems->is_array()) return TMenuBuild::WrongItem;
        item.Clickable = false;
        InSubItems = true;
        return BuildMenuItems(*subItems, item.Items, LoadImage, depth + 1);
    }
};

}  // namespace

std::optional<std::string> MenuItemText(const nlohmann::json& item, const char* key) {
    const auto found = item.find(key);
    if (found == item.end() || found->is_object() || found->is_array()) return std::nullopt;
    if (found->is_string()) return found->get<std::string>();
    if (found->is_boolean()) return found->get<bool>() ? "true" : "false";
    if (found->is_null()) return "null";
    return found->dump();  // a number, as written
}

std::optional<std::int32_t> ParseMenuItemId(const std::string& text) {
    return StrictToInt32(text);
}

bool MenuEnabledFromText(const std::string& text, const char* key) {
    if (EqualIgnoringAsciiCase(text, "true")) return true;
    if (EqualIgnoringAsciiCase(text, "false")) return false;
    if (const std::optional<double> number = ParseInvariantNumber(text)) return *number != 0;
    throw EConvertError("'" + text + "' is not a valid Boolean value for '" + key + "'");
}

TMenuBuild BuildMenuItems(const nlohmann::json& elements, std::vector<TMenuItem>& target,
                          const TMenuImageLoader& loadImage, int depth) {
    for (const nlohmann::json& element : elements) {
        TMenuItem item;
        TItemBuilder builder{loadImage, false};
        TMenuBuild built = TMenuBuild::WrongItem;
        try {
            built = builder.Build(element, item, depth);
        } catch (...) {
            // The item stands in the menu from the moment its sub-items are being built.
            if (builder.InSubItems) target.push_back(std::move(item));
            throw;
        }
        if (built != TMenuBuild::Built) return built;
        target.push_back(std::move(item));
    }
    return TMenuBuild::Built;
}

std::optional<TMenuItemPath> FindMenuItem(const std::vector<TMenuItem>& items, std::int32_t id) {
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (items[index].Id == id) return TMenuItemPath{index};
        if (std::optional<TMenuItemPath> below = FindMenuItem(items[index].Items, id)) {
            below->insert(below->begin(), index);
            return below;
        }
    }
    return std::nullopt;
}

}  // namespace vellum
