#pragma once

#include <string>

#include "bridge/services/file_dialog_service.h"

namespace vellum {

// The host's file dialogs on Windows: the system's common item dialogs (open, save, pick a
// folder). A dialog object of the system can be shown only once, so each call builds a fresh
// one; what must last between calls of the same dialog (the folder it ended in, the type the
// user picked last) is kept here and handed to the next object. Call on the single-threaded
// COM apartment's user-interface thread, never inside a browser event: the dialog runs a
// modal message loop. Any failure of the system's calls answers "", as a cancel does.
class TCommonItemDialogs final : public IFileDialogService {
public:
    std::string OpenFile(const TFileDialogRequest& request) override;
    std::string SaveFile(const TFileDialogRequest& request, bool overwritePrompt) override;
    std::string SelectFolder(const std::string& title) override;

    // What one dialog carries from call to call.
    struct TMemory {
        std::wstring Folder;        // the folder the next call starts in; empty: the system's choice
        unsigned TypeIndex = 0;     // 1-based index of the type picked last; 0: none yet
    };

private:
    TMemory open_, save_, folder_;
};

}  // namespace vellum
