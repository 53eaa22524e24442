#pragma once

#include <functional>
#include <memory>

#include "bridge/services/tray_service.h"

namespace vellum {

// The never-shown form that holds the main menu, the tray icon and the tray menu, so that they
// scale with the display. On Windows it is a hidden top-level window.
class TBrowserExternalForm : public ITrayService {
public:
    static constexpr const char* kCaption = "[Not visible form: intended to be used to place DPI aware controls]";
    ~TBrowserExternalForm() override = default;
    // No tray icon is shown until a page asks for one.
    bool IconVisible() const override { return false; }
    std::function<void()> OnTrayIconClick;
};

// The platform's form: created with no owner by the bridge module, never shown.
std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm();

}  // namespace vellum
