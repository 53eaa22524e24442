// base64.decodeToFile: a page hands binary content (an image it drew, a download) as base64.
#include "bridge/app_path.h"
#include "bridge/bridge_arguments.h"
#include "bridge/file_access.h"
#include "bridge/function_families.h"
#include "core/text/base64.h"
#include "core/text/str_utils.h"
#include "platform/file_replacement.h"

namespace vellum {

void RegisterBase64Functions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::Base64DecodeToFile, [&module](const TBridgeRequest& request) {
        const std::string filePath = ReadArgString(request.Data, "filePath");
        if (filePath.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing filePath"));
        const std::string path = ResolveAppPath(filePath, AppDirPath(module));
        MakeParentFolders(path);
        const std::string contents = ReadArgString(request.Data, "contents");
        AnswerWritingStep(module, request.Uuid, [&] {
            const std::vector<std::uint8_t> bytes = DecodeBase64(contents);
            ReplaceFileContents(path, [&](TStream& stream) { stream.Write(bytes.data(), bytes.size()); });
        });
    });
}

}  // namespace vellum
