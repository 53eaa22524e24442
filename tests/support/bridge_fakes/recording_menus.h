#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bridge/services/menu_item_path.h"
#include "bridge/services/menu_service.h"
#include "core/errors.h"

namespace vellum::testing {

// A menu's items as one line: "1:&File{2:Open#0,3:-,4:Quit(off)}". After the identifier and
// caption, "(off)" marks a disabled item, "#n" its image index, and braces the sub-items of an
// item that opens a submenu (empty braces: one given no sub-items).
inline std::string MenuOutline(const std::vector<TMenuItem>& items) {
    std::string text;
    for (const TMenuItem& item : items) {
        if (!text.empty()) text += ",";
        text += std::to_string(item.Id) + ":" + item.Caption + (item.Enabled ? "" : "(off)");
        if (item.ImageIndex >= 0) text += "#" + std::to_string(item.ImageIndex);
        if (!item.Clickable) text += "{" + MenuOutline(item.Items) + "}";
    }
    return text;
}

// One menu that keeps its items and images in memory, records every change into its owner's
// call list with its name in front, and refuses what the seam rules out: an image index it does
// not have, a clickable item with sub-items, a path to no item.
class TRecordingMenu final : public IHostMenu {
public:
    TRecordingMenu(std::string name, std::vector<std::string>& calls, std::function<bool()> reachable)
        : name_(std::move(name)), calls_(calls), reachable_(std::move(reachable)) {}
    TRecordingMenu(const TRecordingMenu&) = delete;
    TRecordingMenu& operator=(const TRecordingMenu&) = delete;

    const std::vector<TMenuItem>& Items() const override { return items_; }
    void SetItems(const std::vector<TMenuItem>& items) override {
        Check(items);
        items_ = items;
        calls_.push_back(name_ + ".SetItems(" + MenuOutline(items) + ")");
    }
    void UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) override {
        TMenuItem& item = At(path);
        std::string described;
        if (change.Caption) described += " caption=" + *change.Caption;
        if (change.Enabled) described += *change.Enabled ? " enabled" : " disabled";
        if (change.ImageIndex) described += " image=" + std::to_string(CheckedImage(*change.ImageIndex));
        calls_.push_back(name_ + ".UpdateItem(" + PathText(path) + ":" + described + ")");
        ApplyMenuItemChange(item, change);
    }
    int AddImage(const std::vector<std::uint8_t>& encoded) override {
        if (IsImage && !IsImage(encoded)) throw EVellumError("The fake menu cannot decode these image bytes");
        Images.push_back(encoded);
        calls_.push_back(name_ + ".AddImage#" + std::to_string(Images.size() - 1));
        return static_cast<int>(Images.size() - 1);
    }
    void ClearImages() override {
        Images.clear();
        calls_.push_back(name_ + ".ClearImages");
    }

    // The user chooses the item at `path`, as a menu lets them: only while the menu can be
    // opened, through enabled items, on an enabled clickable item that is not a separator.
    // Whether the item click was raised.
    bool Choose(const TMenuItemPath& path) {
        if (!reachable_()) return false;
        const std::vector<TMenuItem>* level = &items_;
        for (std::size_t index : path) {
            const TMenuItem& item = level->at(index);
            if (!item.Enabled || item.Caption == "-") return false;
            level = &item.Items;
        }
        const TMenuItem& chosen = At(path);
        if (!chosen.Clickable || !OnItemClick) return false;
        OnItemClick(chosen.Id);
        return true;
    }

    std::vector<std::vector<std::uint8_t>> Images;  // the bytes given to AddImage, in order
    // Which bytes decode as an image; unset: all of them.
    std::function<bool(const std::vector<std::uint8_t>&)> IsImage;

private:
    static std::string PathText(const TMenuItemPath& path) {
        std::string text;
        for (std::size_t index : path) text += (text.empty() ? "" : "/") + std::to_string(index);
        return text;
    }
    TMenuItem& At(const TMenuItemPath& path) { return MenuItemAt(items_, path); }
    int CheckedImage(int index) const {
        if (index < -1 || index >= static_cast<int>(Images.size())) throw std::out_of_range("No such menu image");
        return index;
    }
    void Check(const std::vector<TMenuItem>& items) const {
        for (const TMenuItem& item : items) {
            CheckedImage(item.ImageIndex);
            if (item.Clickable && !item.Items.empty()) throw std::invalid_argument("A clickable item has sub-items");
            Check(item.Items);
        }
    }

    std::string name_;
    std::vector<std::string>& calls_;
    std::function<bool()> reachable_;
    std::vector<TMenuItem> items_;
};

// The hidden form's menus and tray icon. Both menus record into `Calls`. The main menu can be
// opened once it is the menu bar, the tray menu while the icon is shown.
class TRecordingMenus final : public IMenuService {
public:
    TRecordingMenus() = default;
    TRecordingMenus(const TRecordingMenus&) = delete;
    TRecordingMenus& operator=(const TRecordingMenus&) = delete;

    IHostMenu& MainMenu() override { return Main; }
    IHostMenu& TrayMenu() override { return Tray; }
    bool IconVisible() const override { return IconShown; }
    void ShowMainMenuBar() override {
        MenuBarShown = true;
        Calls.push_back("ShowMainMenuBar");
    }
    bool SetIconVisible(bool visible) override {
        Calls.push_back(visible ? "SetIconVisible(true)" : "SetIconVisible(false)");
        if (!visible && IconShown && ShellRefusesHiding) return false;
        IconShown = visible;
        return true;
    }
    void SetIconTooltip(const std::string& tooltip) override {
        Tooltip = tooltip;
        Calls.push_back("SetIconTooltip(" + tooltip + ")");
    }

    // The user clicks the tray icon, which they can only while it is shown. Whether the click
    // was raised.
    bool ClickTrayIcon() {
        if (!IconShown || !OnTrayIconClick) return false;
        OnTrayIconClick();
        return true;
    }

    std::vector<std::string> Calls;
    bool MenuBarShown = false;
    bool IconShown = false;
    bool ShellRefusesHiding = false;
    std::string Tooltip;
    TRecordingMenu Main{"main", Calls, [this] { return MenuBarShown; }};
    TRecordingMenu Tray{"tray", Calls, [this] { return IconShown; }};
};

}  // namespace vellum::testing
