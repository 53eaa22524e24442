#include "bridge/file_access.h"

#include <exception>

#include "bridge/app_path.h"
#include "bridge/bridge_arguments.h"
#include "core/text/str_utils.h"
#include "platform/file_replacement.h"
#include "platform/file_system.h"

namespace vellum {

std::string AppDirPath(const TBrowserExternalModule& module) {
    return AppDirPathOf(module.Services().Host.ExecutablePath);
}

void MakeParentFolders(const std::string& path) {
    const std::size_t delimiter = path.find_last_of("\\/");
    if (delimiter == std::string::npos || delimiter == 0) return;
    TFileSystem::MakeDirectories(path.substr(0, delimiter));
}

void AnswerWritingStep(TBrowserExternalModule& module, const std::string& uuid, const std::function<void()>& write) {
    try {
        write();
    } catch (const std::exception& error) {
        return module.PostFailure(uuid, TStrUtils::StringToJsonString(error.what()));
    }
    module.PostSuccess(uuid, "true");
}

void RegisterPathOperation(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher, TFunctionId id,
                           const char* key, const char* missing, bool (*operation)(const std::string& path)) {
    dispatcher.Register(id, [&module, key, missing, operation](const TBridgeRequest& request) {
        const std::string path = ReadArgString(request.Data, key);
        if (path.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString(missing));
        module.PostSuccess(request.Uuid, operation(ResolveAppPath(path, AppDirPath(module))) ? "true" : "false");
    });
}

void ServeFileWrite(TBrowserExternalModule& module, const TBridgeRequest& request,
                    const std::function<void(const std::string& contents, TStream& stream)>& produce) {
    const std::string filePath = ReadArgString(request.Data, "filePath");
    if (filePath.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing filePath"));
    const std::string path = ResolveAppPath(filePath, AppDirPath(module));
    MakeParentFolders(path);
    // Read before the writing step: an object or array is a bad request, not a write error.
    const std::string contents = ReadArgString(request.Data, "contents");
    AnswerWritingStep(module, request.Uuid,
                      [&] { ReplaceFileContents(path, [&](TStream& stream) { produce(contents, stream); }); });
}

}  // namespace vellum
