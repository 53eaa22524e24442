// The file family: existence, deletion, writing text, and copying a file out of the app's own
// archive. A replaced file is never lost: new content is written beside it and put in its
// place in one step.
#include "bridge/bridge_arguments.h"
#include "bridge/file_access.h"
#include "bridge/function_families.h"
#include "core/archive/zip_archive.h"
#include "core/errors.h"
#include "core/settings/app_settings.h"
#include "core/text/str_utils.h"
#include "core/text/utf.h"
#include "platform/file_replacement.h"
#include "platform/file_system.h"

namespace vellum {

namespace {

const std::size_t kChunk = 1 << 20;

// UTF-8 with a byte-order mark, every line ended by CR LF, the last one too. Line breaks are
// CR LF, CR or LF; a break at the very end ends the last line rather than starting another.
void WriteTextLines(const std::string& contents, TStream& stream) {
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    std::string chunk(kByteOrderMark, 3);
    chunk.reserve(kChunk + 2);
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const char c = contents[i];
        if (c == '\r' || c == '\n') {
            chunk += "\r\n";
            if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') ++i;
        } else {
            chunk += c;
        }
        if (chunk.size() >= kChunk) {
            stream.Write(chunk.data(), chunk.size());
            chunk.clear();
        }
    }
    if (!contents.empty() && contents.back() != '\r' && contents.back() != '\n') chunk += "\r\n";
    stream.Write(chunk.data(), chunk.size());
}

// The target must be creatable before the archive is looked at, as an empty file made first
// would need: a target that cannot be made leaves the handler with no answer. An existing file
// is not emptied here, so that a failed extraction keeps it.
void EnsureExtractionTarget(const std::string& target) {
    const auto path = PathFromUtf8(TFileSystem::NativePath(target));
    if (TFileSystem::IsFile(target)) {
        TFileStream(path, TFileStream::TMode::OpenReadWrite).Close();
    } else {
        TFileStream(path, TFileStream::TMode::Create).Close();
    }
}

void ExtractFile(TBrowserExternalModule& module, const TBridgeRequest& request) {
    const std::string sourceFile = ReadArgString(request.Data, "sourceFile");
    if (sourceFile.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing sourceFile"));
    const std::string targetFile = ReadArgString(request.Data, "targetFile");
    if (targetFile.empty()) return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("Missing targetFile"));
    EnsureExtractionTarget(targetFile);
    const std::string dirName = module.ProjectINI != nullptr ? module.ProjectINI->ReadString("App", "DirName", "") : "";
    const int entry = module.ExeZip->FindFile(dirName + sourceFile);
    if (entry < 0) {
        // Not in the archive: the target is left empty.
        TFileStream(PathFromUtf8(TFileSystem::NativePath(targetFile)), TFileStream::TMode::Create).Close();
        return module.PostFailure(request.Uuid, TStrUtils::StringToJsonString("File not found"));
    }
    AnswerWritingStep(module, request.Uuid, [&] {
        TFileReplacement replacement(targetFile);
        const TExtractResult result = module.ExeZip->ExtractToStreamChecked(entry, replacement.Stream());
        // A damaged entry is an error, not an empty success; the old file stays.
        if (result != TExtractResult::Ok)
            throw EArchiveError("Cannot extract \"" + sourceFile + "\": " + DescribeExtractResult(result));
        replacement.Commit();
    });
}

}  // namespace

void RegisterFileFunctions(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher) {
    RegisterPathOperation(module, dispatcher, TFunctionId::FilesFileExists, "filePath", "Missing filePath",
                          &TFileSystem::IsFile);
    RegisterPathOperation(module, dispatcher, TFunctionId::FilesDeleteFile, "filePath", "Missing filePath",
                          &TFileSystem::RemoveFile);
    dispatcher.Register(TFunctionId::FilesWriteTextFile, [&module](const TBridgeRequest& request) {
        ServeFileWrite(module, request, &WriteTextLines);
    });
    dispatcher.Register(TFunctionId::FilesExtractFile,
                        [&module](const TBridgeRequest& request) { ExtractFile(module, request); });
}

}  // namespace vellum
