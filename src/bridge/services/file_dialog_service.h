#pragma once

#include <string>
#include <vector>

namespace vellum {

// One entry of a file dialog's type list: what the user reads and the one mask it filters by.
struct TFileType {
    std::string Name;  // "Text files"
    std::string Mask;  // "*.txt"
    bool operator==(const TFileType&) const = default;
};

// What one call sets on the open or save dialog; the type list replaces the dialog's whole list.
struct TFileDialogRequest {
    std::string Title;
    std::string FileName;  // the name the dialog starts with; may be empty
    std::vector<TFileType> FileTypes;
};

// The host's three file dialogs. Each is one lasting instance: what a call does not set (the
// folder it last showed, the type the user last picked) carries over to its next call. Each is
// modal, owned by the window active at the moment of the call, and runs its own message loop,
// so the bridge calls it only from its queued dispatch. A chosen path is full and UTF-8; the
// empty string means the user cancelled.
class IFileDialogService {
public:
    virtual ~IFileDialogService() = default;
    // Picks one file: a single selection, no default extension added.
    virtual std::string OpenFile(const TFileDialogRequest& request) = 0;
    // Picks a name to save under, as typed or picked; `overwritePrompt` asks before an existing
    // file is chosen.
    virtual std::string SaveFile(const TFileDialogRequest& request, bool overwritePrompt) = 0;
    // Picks an existing file-system folder; the path comes as the system gives it, with or
    // without a trailing delimiter.
    virtual std::string SelectFolder(const std::string& title) = 0;
};

}  // namespace vellum
