// The app family: close, fullscreen presentation, command line, navigation.
#include "bridge/bridge_arguments.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "bridge/main_window_access.h"
#include "core/settings/app_settings.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {

// The border the settings give the window outside fullscreen (sizeable unless set).
TBorderStyle ConfiguredBorder(const TAppSettings* settings) {
    return BorderStyleFromSetting(settings != nullptr ? settings->ReadInteger("App", "WindowBorder", 2) : 2);
}

std::string ArgumentsAsJson(const THostInfo& host) {
    std::string json = "[" + TStrUtils::StringToJsonString(host.ExecutablePath);
    for (const std::string& argument : host.Arguments) json += "," + TStrUtils::StringToJsonString(argument);
    return json + "]";
}

}  // namespace

void RegisterAppFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    // No answer: the main window closes once the dispatch has returned, freeing the module.
    dispatcher.Register(TFunctionId::AppClose, [&module](const TBridgeRequest&) { module.RequestAppClose(); });
    dispatcher.Register(TFunctionId::AppInFullscreen, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, module.InFullscreen ? "true" : "false");
    });
    dispatcher.Register(TFunctionId::AppEnterFullscreen, [&module](const TBridgeRequest&) {
        if (module.InFullscreen) return;
        IAppMainWindow& window = MainWindowOf(module);
        module.InFullscreen = true;
        window.SetBorderStyle(TBorderStyle::None);
        window.SetState(TWindowState::Maximized);
    });
    dispatcher.Register(TFunctionId::AppExitFullscreen, [&module](const TBridgeRequest&) {
        if (!module.InFullscreen) return;
        IAppMainWindow& window = MainWindowOf(module);
        module.InFullscreen = false;
        window.SetState(TWindowState::Normal);
        window.SetBorderStyle(ConfiguredBorder(module.ProjectINI));
    });
    dispatcher.Register(TFunctionId::AppGetArgs, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, ArgumentsAsJson(module.Services().Host));
    });
    dispatcher.Register(TFunctionId::AppNavigate, [&module](const TBridgeRequest& request) {
        const std::string url = ReadArgString(request.Data, "url");
        if (url.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing url"));
        if (module.BrowserForm != nullptr) module.BrowserForm->Navigate(url);
        module.PostSuccess(request.Uuid, "true");
    });
}

}  // namespace vellum
