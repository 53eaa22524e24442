#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bridge/services/menu_service.h"
#include "platform/gtk/gtk_menu_images.h"

namespace vellum {

// One host menu as a GTK menu shell: the main window's GtkMenuBar or the tray icon's pop-up
// GtkMenu. Its items are made anew from the page's items whenever they change (the shell
// itself stays, so the bar keeps its place in the window). Captions take "&" mnemonics, "-"
// is a separator, images are 16 pixels square scaled by the display's scale factor and greyed
// on disabled items. Choosing a clickable item raises OnItemClick on the GTK main thread. While
// the menu is open a change waits until it has closed, so the user's menu does not vanish.
class TGtkHostMenu final : public IHostMenu {
public:
    // `scale` gives the display's scale factor now (1 without one).
    TGtkHostMenu(bool menuBar, std::function<int()> scale);
    ~TGtkHostMenu() override;
    TGtkHostMenu(const TGtkHostMenu&) = delete;
    TGtkHostMenu& operator=(const TGtkHostMenu&) = delete;

    const std::vector<TMenuItem>& Items() const override { return items_; }
    void SetItems(const std::vector<TMenuItem>& items) override;
    void UpdateItem(const TMenuItemPath& path, const TMenuItemChange& change) override;
    int AddImage(const std::vector<std::uint8_t>& encoded) override;
    void ClearImages() override;

    GtkMenuShell* Shell() const { return shell_; }
    // Makes the items again, as after a change of the display's scale factor.
    void Refresh() { Rebuild(); }
    // Runs after the widgets have been made anew.
    std::function<void()> OnRebuilt;

private:
    struct TImage {
        std::vector<std::uint8_t> Encoded;
        TPixbuf Decoded;
        int Side = 0;
    };
    struct TClick {
        TGtkHostMenu* Menu;
        std::int32_t Id;
    };
    void Rebuild();
    bool IsOpen() const;
    static void OnDeactivate(GtkMenuShell* shell, gpointer menu);
    void FillLevel(GtkMenuShell* shell, const std::vector<TMenuItem>& items, bool reachable);
    GtkWidget* MakeItem(const TMenuItem& item, bool reachable);
    GtkWidget* MakeImage(int imageIndex, bool greyed);
    static void OnActivate(GtkMenuItem* item, gpointer click);

    std::function<int()> scale_;
    GtkMenuShell* shell_;
    std::vector<TMenuItem> items_;
    std::vector<TImage> images_;
    bool stale_ = false;        // a change waits for the open menu to close
    guint pendingRebuild_ = 0;  // the idle source that makes it
};

// The items of a GTK menu shell as read back from its widgets, one line an item, indented two
// blanks a level: "-" for a separator, else the label as GTK holds it (with its "_" mnemonic
// mark), then " [disabled]" for an insensitive item, " [image WxH]" or " [grey image WxH]" for
// an item with a picture (its size in device pixels), and the sub-items below it.
std::string DescribeMenuShell(GtkMenuShell* shell);

}  // namespace vellum
