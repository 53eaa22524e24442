#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "bridge/services/menu_service.h"
#include "platform/win32/menu_image_decoder_win32.h"

namespace vellum {

// One host menu as a Win32 menu: a menu bar or a pop-up menu, made anew from the items whenever
// they change. Every item has a command number, its place in depth-first order counted from 1;
// choosing an item sends that number. While the menu is open (tracked) it is not replaced:
// the change waits until it closes. Images are the items' bitmaps, 16 pixels square at 96 DPI.
class TWin32HostMenu final : public IHostMenu {
public:
    // `imageSide` gives the images' side in pixels now; `replaced` runs after the menu has been
    // made anew (a menu bar is put on its window there).
    TWin32HostMenu(bool menuBar, std::function<int()> imageSide, std::function<void()> replaced);
    ~TWin32HostMenu() override;
    TWin32HostMenu(const TWin32HostMenu&) = delete;
    TWin32HostMenu& operator=(const TWin32HostMenu&) = delete;

    const std::vector<TMenuItem>& Items() const override { return items_; }
    void SetItems(const std::vector<TMenuItem>& items) override;
    void UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) override;
    int AddImage(const std::vector<std::uint8_t>& encoded) override;
    void ClearImages() override;

    HMENU Handle() const { return menu_; }
    // Forgets the handle: a window it was the menu bar of has destroyed it with itself.
    void Forget() { menu_ = nullptr; }
    // Raises the item click for a chosen command number; false when it is not an item's.
    bool Choose(UINT command);
    void BeginTracking() { tracking_ = true; }
    void EndTracking();
    // Makes the menu again, as after a change of the display's DPI.
    void Refresh() { Replace(); }

private:
    struct TImage {
        std::vector<std::uint8_t> Encoded;
        TSquareImage Decoded;
    };
    void Replace();
    HMENU MakeLevel(const std::vector<TMenuItem>& items, bool top, bool reachable);
    HBITMAP Bitmap(int imageIndex, bool greyed);
    void DeleteBitmaps();

    bool menuBar_;
    std::function<int()> imageSide_;
    std::function<void()> replaced_;
    std::vector<TMenuItem> items_;
    std::vector<TImage> images_;
    HMENU menu_ = nullptr;
    bool tracking_ = false;
    bool stale_ = false;
    // By command number less one: the item's identifier and whether choosing it raises a click
    // (it is clickable, enabled, no separator, and under enabled items only).
    std::vector<std::pair<std::int32_t, bool>> commands_;
    std::vector<std::pair<std::int32_t, bool>> pendingCommands_;
    std::map<std::pair<int, bool>, HBITMAP> bitmaps_;  // by image and greyed, shared by the items
};

}  // namespace vellum
