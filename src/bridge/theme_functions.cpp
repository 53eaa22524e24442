// The themes family: the host windows' visual style, read, listed and switched by the page.
// A switch lasts until the process ends.
#include "bridge/bridge_arguments.h"
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "core/styles/theme_catalogue.h"
#include "core/text/str_utils.h"

namespace vellum {

void RegisterThemeFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::ThemesGetTheme, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(StylesOf(module).ActiveName()));
    });
    dispatcher.Register(TFunctionId::ThemesGetThemes, [&module](const TBridgeRequest& request) {
        std::vector<std::string> names = StylesOf(module).Names();
        SortIgnoringCase(names);
        std::string list = "[";
        for (const std::string& name : names) {
            if (list.size() > 1) list += ",";
            list += TStrUtils::StringToJsonString(name);
        }
        module.PostSuccess(request.Uuid, list + "]");
    });
    dispatcher.Register(TFunctionId::ThemesSetTheme, [&module](const TBridgeRequest& request) {
        const std::string name = ReadArgString(request.Data, "name");
        IStyleService& styles = StylesOf(module);
        styles.TrySelect(name);
        // The selection ignores case, the answer does not: "windows10 dark" switches and says false.
        module.PostSuccess(request.Uuid, styles.ActiveName() == name ? "true" : "false");
    });
}

}  // namespace vellum
