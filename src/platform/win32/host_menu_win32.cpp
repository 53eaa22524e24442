#include "platform/win32/host_menu_win32.h"

#include <algorithm>
#include <stdexcept>

#include "bridge/services/menu_item_path.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

// WM_COMMAND carries a command in 16 bits; items beyond cannot be chosen.
constexpr std::size_t kLastCommand = 0xFFFF;

HBITMAP MakeBitmap(const TSquareImage& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.Size;
    info.bmiHeader.biHeight = -image.Size;  // top-down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) std::copy(image.Pixels.begin(), image.Pixels.end(), static_cast<std::uint32_t*>(bits));
    return bitmap;
}

}  // namespace

TWin32HostMenu::TWin32HostMenu(bool menuBar, std::function<int()> imageSide, std::function<void()> replaced)
    : menuBar_(menuBar), imageSide_(std::move(imageSide)), replaced_(std::move(replaced)) {
    Replace();
}

TWin32HostMenu::~TWin32HostMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
    DeleteBitmaps();
}

void TWin32HostMenu::SetItems(const std::vector<TMenuItem>& items) {
    items_ = items;
    Replace();
}

void TWin32HostMenu::UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) {
    ApplyMenuItemChange(MenuItemAt(items_, path), change);
    Replace();
}

int TWin32HostMenu::AddImage(const std::vector<std::uint8_t>& encoded) {
    TImage image{encoded, DecodeSquareImage(encoded, imageSide_())};
    images_.push_back(std::move(image));
    return static_cast<int>(images_.size() - 1);
}

void TWin32HostMenu::ClearImages() {
    images_.clear();
    Replace();
}

bool TWin32HostMenu::Choose(UINT command) {
    if (command == 0 || command > commands_.size()) return false;
    const auto [id, clickable] = commands_[command - 1];
    if (clickable && OnItemClick) OnItemClick(id);
    return true;
}

void TWin32HostMenu::EndTracking() {
    tracking_ = false;
    if (stale_) Replace();
}

void TWin32HostMenu::Replace() {
    // An open menu is the system's until it closes; replacing it then would pull it away.
    if (tracking_) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const int side = imageSide_();
    for (TImage& image : images_)
        if (image.Decoded.Size != side) image.Decoded = DecodeSquareImage(image.Encoded, side);
    std::map<std::pair<int, bool>, HBITMAP> oldBitmaps = std::move(bitmaps_);
    bitmaps_.clear();
    HMENU old = menu_;
    pendingCommands_.clear();
    menu_ = MakeLevel(items_, true, true);
    commands_ = std::move(pendingCommands_);
    pendingCommands_.clear();
    if (replaced_) replaced_();
    // The old menu's bitmaps go once nothing shows them.
    if (old != nullptr) DestroyMenu(old);
    for (const auto& [key, bitmap] : oldBitmaps) DeleteObject(bitmap);
}

HMENU TWin32HostMenu::MakeLevel(const std::vector<TMenuItem>& items, bool top, bool reachable) {
    HMENU menu = top && menuBar_ ? CreateMenu() : CreatePopupMenu();
    for (const TMenuItem& item : items) {
        // A command that reaches us for an item the user could not choose raises nothing.
        const bool choosable = reachable && item.Enabled && item.Caption != "-";
        pendingCommands_.emplace_back(item.Id, item.Clickable && choosable);
        const std::size_t command = pendingCommands_.size() <= kLastCommand ? pendingCommands_.size() : 0;
        std::wstring caption = Wide(item.Caption);
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
        info.wID = static_cast<UINT>(command);
        info.fState = item.Enabled ? MFS_ENABLED : MFS_DISABLED;
        if (item.Caption == "-") {
            info.fType = MFT_SEPARATOR;
        } else {
            info.fType = MFT_STRING;
            info.fMask |= MIIM_STRING;
            info.dwTypeData = caption.data();
            if (item.ImageIndex >= 0 && static_cast<std::size_t>(item.ImageIndex) < images_.size()) {
                info.fMask |= MIIM_BITMAP;
                info.hbmpItem = Bitmap(item.ImageIndex, !item.Enabled);
            }
        }
        if (!item.Clickable && !item.Items.empty()) {
            info.fMask |= MIIM_SUBMENU;
            info.hSubMenu = MakeLevel(item.Items, false, choosable);
        }
        InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
    }
    return menu;
}

HBITMAP TWin32HostMenu::Bitmap(int imageIndex, bool greyed) {
    const auto key = std::make_pair(imageIndex, greyed);
    const auto found = bitmaps_.find(key);
    if (found != bitmaps_.end()) return found->second;
    const TSquareImage& image = images_[static_cast<std::size_t>(imageIndex)].Decoded;
    HBITMAP bitmap = MakeBitmap(greyed ? GreyedImage(image) : image);
    bitmaps_[key] = bitmap;
    return bitmap;
}

void TWin32HostMenu::DeleteBitmaps() {
    for (const auto& [key, bitmap] : bitmaps_) DeleteObject(bitmap);
    bitmaps_.clear();
}

}  // namespace vellum
