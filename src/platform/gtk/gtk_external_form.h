#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "bridge/browser_external_form.h"
#include "platform/gtk/gtk_host_menu.h"

namespace vellum {

// The bridge's menus and tray icon on a GTK desktop. The main menu is a GtkMenuBar packed at
// the top of `menuBarSlot` (the main window's box, above the browser) and shown from the first
// ShowMainMenuBar on; the tray icon is a GtkStatusIcon (the XEmbed system tray) that shows the
// main window's icon and the tooltip, raises a click per left click and pops the tray menu up
// at the mouse on a right click. Lives on the GTK main thread.
class TGtkExternalForm final : public TBrowserExternalForm, private IMenuService {
public:
    // Either pointer may be null (a form without a main window has no menu bar to show).
    TGtkExternalForm(GtkWindow* mainWindow, GtkBox* menuBarSlot);
    ~TGtkExternalForm() override;
    TGtkExternalForm(const TGtkExternalForm&) = delete;
    TGtkExternalForm& operator=(const TGtkExternalForm&) = delete;

    IMenuService* Menus() const override { return const_cast<TGtkExternalForm*>(this); }
    bool IconVisible() const override { return iconShown_; }

    // For tests: the widgets themselves.
    TGtkHostMenu& GtkMainMenu() { return mainMenu_; }
    TGtkHostMenu& GtkTrayMenu() { return trayMenu_; }
    GtkStatusIcon* StatusIcon() const { return icon_; }
    std::string IconTooltip() const;
    // What a press (of a double click's second press too) and a release of the left button,
    // or a right button's release, do on the icon.
    void IconButtonPress(bool second);
    void IconButtonRelease();
    void IconMenuRequest(guint button, guint32 time);

private:
    // IMenuService
    IHostMenu& MainMenu() override { return mainMenu_; }
    IHostMenu& TrayMenu() override { return trayMenu_; }
    void ShowMainMenuBar() override;
    bool SetIconVisible(bool visible) override;
    void SetIconTooltip(const std::string& tooltip) override;

    int ScaleFactor() const;

    GtkWindow* mainWindow_;
    GtkBox* menuBarSlot_;
    GtkStatusIcon* icon_ = nullptr;
    bool iconShown_ = false;
    bool leftPressed_ = false;
    bool menuBarShown_ = false;
    gulong scaleHandler_ = 0;
    TGtkHostMenu mainMenu_{true, [this] { return ScaleFactor(); }};
    TGtkHostMenu trayMenu_{false, [this] { return ScaleFactor(); }};
};

}  // namespace vellum
