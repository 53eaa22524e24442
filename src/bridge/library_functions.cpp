// hello and isRuntime: the page identifies its host.
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {
const char* const kRuntimeVersion = "2025.10";
}  // namespace

void RegisterLibraryFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::Hello, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(kRuntimeVersion));
    });
    dispatcher.Register(TFunctionId::IsRuntime, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, module.ExeZip != nullptr ? "true" : "false");
    });
}

}  // namespace vellum
