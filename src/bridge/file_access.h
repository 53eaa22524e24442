#pragma once

// What the file, folder and base64 families share: the path rule applied to an argument, the
// parent folders a written file needs, and the answer of a writing step.

#include <functional>
#include <string>

#include "bridge/browser_external_module.h"
#include "core/stream/stream.h"

namespace vellum {

// The folder of the running executable, ending in a delimiter.
std::string AppDirPath(const TBrowserExternalModule& module);

// Creates every missing folder above `path`. Its errors are not the writing step's: they leave
// the handler, and the page gets no answer.
void MakeParentFolders(const std::string& path);

// Runs a writing step: success answers `true`, an error the error's message as a JSON string.
void AnswerWritingStep(TBrowserExternalModule& module, const std::string& uuid, const std::function<void()>& write);

// A function of one path argument (`key`, required: `missing` answers its absence) that answers
// the Boolean outcome of `operation` on the resolved path.
void RegisterPathOperation(TBrowserExternalModule& module, TBridgeDispatcher& dispatcher, TFunctionId id,
                           const char* key, const char* missing, bool (*operation)(const std::string& path));

// writeTextFile and decodeToFile: `filePath` resolved, its folders made, then `contents` written
// anew by `produce` in one step; the writing step's errors are answered with their message.
void ServeFileWrite(TBrowserExternalModule& module, const TBridgeRequest& request,
                    const std::function<void(const std::string& contents, TStream& stream)>& produce);

}  // namespace vellum
