#include "bridge/file_access.h"

#include <exception>

#include "bridge/app_path.h"
#include "core/text/str_utils.h"
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

}  // namespace vellum
