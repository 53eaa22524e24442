#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bridge/services/tray_service.h"

namespace vellum {

// One item of a menu as a page describes it.
struct TMenuItem {
    std::int32_t Id = 0;
    std::string Caption;  // "-" draws a separator line; "&" before a letter marks the accelerator
    bool Enabled = true;  // a disabled item cannot be chosen and its image is drawn in grey
    int ImageIndex = -1;  // into the menu's images; -1: none
    // Whether choosing the item raises the menu's item click. An item given sub-items, even
    // none, opens a submenu instead.
    bool Clickable = true;
    std::vector<TMenuItem> Items;
    bool operator==(const TMenuItem&) const = default;
};

// Indexes from the top level down to one item: {1, 0} is the first sub-item of the second item.
using TMenuItemPath = std::vector<std::size_t>;

// What an update changes of one item; what is not given stays.
struct TMenuItemChange {
    std::optional<std::string> Caption;
    std::optional<bool> Enabled;
    std::optional<int> ImageIndex;
    bool operator==(const TMenuItemChange&) const = default;
};

// One of the host's menus (the main window's menu bar or the tray icon's pop-up menu) and its
// collection of images, which is shown 16 pixels square at 96 DPI, scaled with the display.
class IHostMenu {
public:
    virtual ~IHostMenu() = default;
    // The items as last set and updated; empty until the first SetItems.
    virtual const std::vector<TMenuItem>& Items() const = 0;
    // Replaces every item; the images stay.
    virtual void SetItems(const std::vector<TMenuItem>& items) = 0;
    // Changes one existing item in place; its sub-items stay.
    virtual void UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) = 0;
    // Decodes an image file's bytes (PNG, JPEG, BMP, GIF, TIFF, ICO) and appends it to the
    // images: the answer is its index, the number of images before. Bytes the platform cannot
    // decode raise its error and add nothing.
    virtual int AddImage(const std::vector<std::uint8_t>& encoded) = 0;
    virtual void ClearImages() = 0;
    // Raised on the user-interface thread when the user chooses a clickable item.
    std::function<void(std::int32_t itemId)> OnItemClick;
};

// The menus and the tray icon of the hidden bridge form. The icon shows the application's icon,
// stays hidden until shown, and opens the tray menu on a right click.
class IMenuService : public ITrayService {
public:
    virtual IHostMenu& MainMenu() = 0;
    virtual IHostMenu& TrayMenu() = 0;
    // Makes the main menu the main window's menu bar; before the first call it has none, and
    // calling again changes nothing.
    virtual void ShowMainMenuBar() = 0;
    // False when the shell refused the change; showing a shown icon or hiding a hidden one
    // changes nothing and succeeds.
    virtual bool SetIconVisible(bool visible) = 0;
    // Set once, when the hidden form is created.
    virtual void SetIconTooltip(const std::string& tooltip) = 0;
    // Raised once per left click (a double click included) on the tray icon.
    std::function<void()> OnTrayIconClick;
};

}  // namespace vellum
