// The system family: end the user's session (log off, restart, shut down; always forced) and
// list the network adapters' hardware addresses.
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "bridge/shell_answers.h"

namespace vellum {

void RegisterSystemFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    // Runtime-only functions: in preview mode the dispatcher shows its box and the system is not
    // asked. A success may never reach the page, which is closed with the session.
    const auto endSession = [&module](TPowerAction action) {
        return [&module, action](const TBridgeRequest& request) {
            PostShellOutcome(module, request.Uuid, ShellOf(module).EndSession(action));
        };
    };
    dispatcher.Register(TFunctionId::SystemLogoff, endSession(TPowerAction::LogOff));
    dispatcher.Register(TFunctionId::SystemReboot, endSession(TPowerAction::Reboot));
    dispatcher.Register(TFunctionId::SystemShutdown, endSession(TPowerAction::ShutDown));
    dispatcher.Register(TFunctionId::SystemMacAddresses, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, StringsAsJsonArray(ShellOf(module).AdapterAddresses()));
    });
}

}  // namespace vellum
