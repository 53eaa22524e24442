// The dialog family: open, save and folder dialogs. They are modal and run their own message
// loop, which is sound here because page requests are dispatched from the user-interface queue
// after the browser's event has returned.
#include "bridge/bridge_arguments.h"
#include "bridge/bridge_services_access.h"
#include "bridge/browser_external_module.h"
#include "bridge/function_families.h"
#include "core/system/path_delimiter.h"
#include "core/text/str_utils.h"

namespace vellum {

namespace {

const char* const kDefaultFolderTitle = "Select a folder";

// "Text files|*.txt;All files|*.*": entries on ";", each a name and one mask on "|". An entry
// that does not split in exactly two is skipped.
std::vector<TFileType> FileTypesFrom(const std::string& fileTypes) {
    std::vector<TFileType> types;
    if (fileTypes.empty()) return types;
    for (const std::string& entry : TStrUtils::ExplodeStrings(";", fileTypes)) {
        const auto parts = TStrUtils::ExplodeStrings("|", entry);
        if (parts.size() == 2) types.push_back(TFileType{parts[0], parts[1]});
    }
    return types;
}

TFileDialogRequest FileDialogRequest(const TBridgeRequest& request, const char* defaultTitle) {
    TFileDialogRequest dialog;
    dialog.FileName = ReadArgString(request.Data, "fileName");
    dialog.Title = ReadArgString(request.Data, "title", defaultTitle);
    dialog.FileTypes = FileTypesFrom(ReadArgString(request.Data, "fileTypes"));
    return dialog;
}

}  // namespace

void RegisterDialogFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::DialogsOpenFile, [&module](const TBridgeRequest& request) {
        const TFileDialogRequest dialog = FileDialogRequest(request, "Open file");
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(FileDialogsOf(module).OpenFile(dialog)));
    });
    dispatcher.Register(TFunctionId::DialogsSaveFile, [&module](const TBridgeRequest& request) {
        const TFileDialogRequest dialog = FileDialogRequest(request, "Save file");
        const bool overwritePrompt = ReadArgBool(request.Data, "overwritePrompt", false);
        module.PostSuccess(request.Uuid,
                           TStrUtils::StringToJsonString(FileDialogsOf(module).SaveFile(dialog, overwritePrompt)));
    });
    dispatcher.Register(TFunctionId::DialogsSelFolder, [&module](const TBridgeRequest& request) {
        const std::string title = ReadArgString(request.Data, "title", kDefaultFolderTitle);
        std::string folder = FileDialogsOf(module).SelectFolder(title);
        if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += kPathDelimiter;
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(folder));
    });
}

}  // namespace vellum
