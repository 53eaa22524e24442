#pragma once

// What the file, folder and base64 families share: the path rule applied to an argument, the
// parent folders a written file needs, and the answer of a writing step.

#include <functional>
#include <string>

#include "bridge/browser_external_module.h"

namespace vellum {

// The folder of the running executable, ending in a delimiter.
std::string AppDirPath(const TBrowserExternalModule& module);

// Creates every missing folder above `path`. Its errors are not the writing step's: they leave
// the handler, and the page gets no answer.
void MakeParentFolders(const std::string& path);

// Runs a writing step: success answers `true`, an error the error's message as a JSON string.
void AnswerWritingStep(TBrowserExternalModule& module, const std::string& uuid, const std::function<void()>& write);

}  // namespace vellum
