// The main menu and tray menu family: menus a page describes as JSON, items it changes later,
// and the tray icon. Clicks come back as page events (the module wires them).
#include <optional>

#include "bridge/bridge_arguments.h"
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/file_access.h"
#include "bridge/function_families.h"
#include "bridge/menu_building.h"
#include "bridge/menu_images.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {

void Fail(TBrowserExternalModule& module, const TBridgeRequest& request, const char* text) {
    module.PostFailure(request.Uuid, TStrUtils::StringToJsonString(text));
}

// Reads and decodes the image a page names into the menu's images.
TMenuImageLoader ImageLoaderFor(TBrowserExternalModule& module, IHostMenu& menu) {
    return [&module, &menu](const std::string& imagePath) -> std::optional<int> {
        const auto bytes = ReadMenuImage(module.ExeZip, AppDirPath(module), imagePath);
        if (!bytes) return std::nullopt;
        return menu.AddImage(*bytes);
    };
}

void SetItems(TBrowserExternalModule& module, IHostMenu& menu, const TBridgeRequest& request, bool isMainMenu) {
    const std::string text = ReadArgString(request.Data, "items");
    if (text.empty()) return Fail(module, request, "Missing menu items");
    if (isMainMenu) MenusOf(module).ShowMainMenuBar();
    const nlohmann::json elements = nlohmann::json::parse(text, nullptr, false);
    if (elements.is_discarded() || !elements.is_array()) {
        menu.SetItems({});
        return Fail(module, request, "Wrong menu items JSON");
    }
    // A filled menu is replaced only by first emptying it with an empty array.
    if (!menu.Items().empty() && !elements.empty()) return module.PostSuccess(request.Uuid, "true");
    menu.SetItems({});
    menu.ClearImages();
    std::vector<TMenuItem> built;
    TMenuBuild result = TMenuBuild::WrongItem;
    try {
        result = BuildMenuItems(elements, built, ImageLoaderFor(module, menu));
    } catch (...) {
        menu.SetItems(built);  // what was built before the error stays
        throw;
    }
    if (result != TMenuBuild::Built) return Fail(module, request, "Wrong menu item JSON");
    menu.SetItems(built);
    module.PostSuccess(request.Uuid, "true");
}

void UpdateItem(TBrowserExternalModule& module, IHostMenu& menu, const TBridgeRequest& request) {
    const std::string idText = ReadArgString(request.Data, "id");
    if (idText.empty()) return Fail(module, request, "Missing item ID");
    const std::optional<std::int32_t> id = ParseMenuItemId(idText);
    if (!id || *id == -1) return Fail(module, request, "Wrong item ID");
    if (menu.Items().empty()) return Fail(module, request, "No menu items");
    if (const std::optional<TMenuItemPath> path = FindMenuItem(menu.Items(), *id)) {
        TMenuItemChange change;
        try {
            const std::string caption = ReadArgString(request.Data, "caption");
            if (!caption.empty()) change.Caption = caption;
            const std::string enabled = ReadArgString(request.Data, "enabled");
            if (!enabled.empty()) change.Enabled = MenuEnabledFromText(enabled, "enabled");
            const std::string image = ReadArgString(request.Data, "image");
            if (!image.empty()) change.ImageIndex = ImageLoaderFor(module, menu)(image);
        } catch (...) {
            // What was read before the error has taken effect, as each step changes the item.
            if (change != TMenuItemChange{}) menu.UpdateItem(*path, change);
            throw;
        }
        menu.UpdateItem(*path, change);
    }
    module.PostSuccess(request.Uuid, "true");
}

void SetIconVisible(TBrowserExternalModule& module, const TBridgeRequest& request, bool visible) {
    if (!MenusOf(module).SetIconVisible(visible))
        throw EVellumError(visible ? "Cannot create shell notification icon" : "Cannot remove shell notification icon");
    module.PostSuccess(request.Uuid, "true");
}

}  // namespace

void RegisterMenuFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    using Id = TFunctionId;
    dispatcher.Register(Id::MainMenuSetItems, [&module](const TBridgeRequest& request) {
        SetItems(module, MenusOf(module).MainMenu(), request, true);
    });
    dispatcher.Register(Id::MainMenuUpdateItem, [&module](const TBridgeRequest& request) {
        UpdateItem(module, MenusOf(module).MainMenu(), request);
    });
    dispatcher.Register(Id::TrayMenuShowIcon,
                        [&module](const TBridgeRequest& request) { SetIconVisible(module, request, true); });
    dispatcher.Register(Id::TrayMenuHideIcon,
                        [&module](const TBridgeRequest& request) { SetIconVisible(module, request, false); });
    dispatcher.Register(Id::TrayMenuSetItems, [&module](const TBridgeRequest& request) {
        SetItems(module, MenusOf(module).TrayMenu(), request, false);
    });
    dispatcher.Register(Id::TrayMenuUpdateItem, [&module](const TBridgeRequest& request) {
        UpdateItem(module, MenusOf(module).TrayMenu(), request);
    });
}

}  // namespace vellum
