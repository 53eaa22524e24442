// base64.decodeToFile: a page hands binary content (an image it drew, a download) as base64.
#include "bridge/file_access.h"
#include "bridge/function_families.h"
#include "core/text/base64.h"

namespace vellum {

void RegisterBase64Functions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    dispatcher.Register(TFunctionId::Base64DecodeToFile, [&module](const TBridgeRequest& request) {
        ServeFileWrite(module, request, [](const std::string& contents, TStream& stream) {
            const std::vector<std::uint8_t> bytes = DecodeBase64(contents);
            stream.Write(bytes.data(), bytes.size());
        });
    });
}

}  // namespace vellum
