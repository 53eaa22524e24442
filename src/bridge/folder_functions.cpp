// The folder family: existence, creation, deletion, listing files by a wildcard mask, and the
// user's well-known folders.
#include <vector>

#include "bridge/app_path.h"
#include "bridge/bridge_arguments.h"
#include "bridge/file_access.h"
#include "bridge/function_families.h"
#include "core/errors.h"
#include "core/system/path_delimiter.h"
#include "core/text/ascii_case.h"
#include "core/text/str_utils.h"
#include "core/text/wildcard_mask.h"
#include "platform/file_system.h"
#include "platform/sys_utils.h"

namespace vellum {

namespace {

std::string WithDelimiter(std::string path) {
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += kPathDelimiter;
    return path;
}

bool MakeLastLevel(const std::string& path) {
    return TFileSystem::IsDirectory(path) || TFileSystem::MakeDirectory(path);
}

// Each folder's own matching files in the system's order, then its subfolders' in the same
// order, depth first, without recursion (a deep tree cannot exhaust the stack). A subfolder
// that cannot be read is passed over; the top folder's error is raised.
std::string ListMatchingFiles(const std::string& top, const std::string& mask, bool recursive) {
    std::string json;
    std::vector<std::string> pending;
    const auto listFolder = [&](const std::string& folder) {
        std::vector<std::string> subfolders;
        TFileSystem::ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
            if (isFolder) {
                if (recursive) subfolders.push_back(folder + name + kPathDelimiter);
            } else if (MatchesWildcardMask(name, mask)) {
                json += json.empty() ? "[" : ",";
                json += TStrUtils::StringToJsonString(folder + name);
            }
        });
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    };
    listFolder(WithDelimiter(top));
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        try {
            listFolder(folder);
        } catch (const EFileError&) {
        }
    }
    return json.empty() ? "[]" : json + "]";
}

}  // namespace

void RegisterFolderFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    RegisterPathOperation(module, dispatcher, TFunctionId::FoldersDirExists, "dirPath", "Missing dirPath",
                          &TFileSystem::IsDirectory);
    RegisterPathOperation(module, dispatcher, TFunctionId::FoldersCreateDir, "dirPath", "Missing dirPath", &MakeLastLevel);
    RegisterPathOperation(module, dispatcher, TFunctionId::FoldersDeleteDir, "dirPath", "Missing dirPath",
                          &TFileSystem::RemoveDirectoryTree);

    dispatcher.Register(TFunctionId::FoldersListFiles, [&module](const TBridgeRequest& request) {
        const auto missing = [&](const char* text) { module.PostFailure(request.Uuid, TStrUtils::StringToJsonString(text)); };
        const std::string dirPath = ReadArgString(request.Data, "dirPath");
        if (dirPath.empty()) return missing("Missing dirPath");
        const std::string fileMask = ReadArgString(request.Data, "fileMask");
        if (fileMask.empty()) return missing("Missing fileMask");
        const std::string allDirs = ReadArgString(request.Data, "allDirs");
        if (allDirs.empty()) return missing("Missing allDirs");
        const std::string folder = ResolveAppPath(dirPath, AppDirPath(module));
        if (!TFileSystem::IsDirectory(folder)) return missing("The specified folder does not exist.");
        // Not the page's error to answer: the enumeration refuses such a mask.
        if (!IsValidWildcardMask(fileMask)) throw EFileError("Invalid characters in search pattern");
        module.PostSuccess(request.Uuid, ListMatchingFiles(folder, fileMask, EqualIgnoringAsciiCase(allDirs, "true")));
    });

    const auto folderQuery = [&dispatcher, &module](TFunctionId id, std::string (*folder)()) {
        dispatcher.Register(id, [&module, folder](const TBridgeRequest& request) {
            module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(WithDelimiter(folder())));
        });
    };
    folderQuery(TFunctionId::FoldersGetTempDir, &TSysUtils::GetTempDirPath);
    folderQuery(TFunctionId::FoldersGetUserDocumentsDir, &TSysUtils::GetUserDocumentsDirPath);
    folderQuery(TFunctionId::FoldersGetUserDesktopDir, &TSysUtils::GetUserDesktopDirPath);
    folderQuery(TFunctionId::FoldersGetAppDataDir, &TSysUtils::GetUserAppDataDirPath);
    dispatcher.Register(TFunctionId::FoldersGetAppExecutableDir, [&module](const TBridgeRequest& request) {
        module.PostSuccess(request.Uuid, TStrUtils::StringToJsonString(AppDirPath(module)));
    });
}

}  // namespace vellum
