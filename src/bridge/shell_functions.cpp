// The shell family: open a program, document or address; show an item in the file manager;
// run a command line and collect its output; list the top-level windows' titles.
#include "bridge/bridge_arguments.h"
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "bridge/shell_answers.h"
#include "core/text/str_utils.h"

namespace vellum {

void RegisterShellFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::ShellExecute, [&module](const TBridgeRequest& request) {
        const std::string filePath = ReadArgString(request.Data, "filePath");
        const std::string arguments = ReadArgString(request.Data, "arguments");
        if (filePath.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing filePath"));
        PostShellOutcome(module, request.Uuid, ShellOf(module).Execute(filePath, arguments));
    });
    dispatcher.Register(TFunctionId::ShellExplore, [&module](const TBridgeRequest& request) {
        const std::string filePath = ReadArgString(request.Data, "filePath");
        if (filePath.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing filePath"));
        PostShellOutcome(module, request.Uuid, ShellOf(module).Explore(filePath));
    });
    dispatcher.Register(TFunctionId::ShellCommand, [&module](const TBridgeRequest& request) {
        const std::string command = ReadArgString(request.Data, "command");
        if (command.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing command"));
        const std::string workingDir = ReadArgString(request.Data, "workingDir");
        // Only this exact text shows the console: "True" or "1" keep it hidden.
        const bool show = ReadArgString(request.Data, "showWindow", "false") == "true";
        const std::string output = ShellOf(module).RunCommand(command, workingDir, show);
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(output));
    });
    dispatcher.Register(TFunctionId::ShellWindows, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, StringsAsJsonArray(ShellOf(module).WindowCaptions()));
    });
}

}  // namespace vellum
