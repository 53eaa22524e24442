#pragma once

#include <functional>
#include <memory>

#include "bridge/services/menu_service.h"

namespace vellum {

// The never-shown form that holds the main menu, the tray icon and the tray menu, so that they
// scale with the display. On Windows it is a hidden top-level window.
class TBrowserExternalForm : public ITrayService {
public:
    static constexpr const char* kCaption = "[Not visible form: intended to be used to place DPI aware controls]";
    ~TBrowserExternalForm() override = default;
    // No tray icon is shown until a page asks for one.
    bool IconVisible() const override { return Menus() != nullptr && Menus()->IconVisible(); }
    // The main menu, the tray icon and the tray menu; nothing where the platform has none.
    virtual IMenuService* Menus() const { return nullptr; }
};

// The platform's form: created with no owner by the bridge module, never shown. `mainWindow`
// (the platform's window handle, or nullptr) is the window whose menu bar the main menu becomes.
std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm(void* mainWindow = nullptr);

}  // namespace vellum
