#include "platform/win32/file_dialogs_win32.h"

#include <windows.h>
#include <shobjidl.h>

#include <vector>

#include "core/text/utf.h"
#include "platform/win32/wide_string.h"
#include "webview2/com_ptr.h"

namespace vellum {

namespace {

using webview2::TComPtr;
using TMemory = TCommonItemDialogs::TMemory;

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// The item's file-system path; empty when it has none (a virtual folder such as "Computer").
std::wstring FileSystemPath(IShellItem* item) {
    PWSTR path = nullptr;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return {};
    std::wstring result(path);
    CoTaskMemFree(path);
    return result;
}

template <class TDialog>
TComPtr<TDialog> NewDialog(const CLSID& kind) {
    TComPtr<TDialog> dialog;
    // Fails (and leaves it empty) on a thread without COM, among others.
    if (FAILED(CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, __uuidof(TDialog),
                                reinterpret_cast<void**>(dialog.Put()))))
        dialog.Reset();
    return dialog;
}

bool ChangeOptions(IFileDialog& dialog, FILEOPENDIALOGOPTIONS on, FILEOPENDIALOGOPTIONS off) {
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog.GetOptions(&options))) return false;
    // The process's current folder never follows the dialog: relative paths elsewhere in the
    // host are relative to it.
    options = (options | on | FOS_NOCHANGEDIR | FOS_FORCEFILESYSTEM) & ~off;
    return SUCCEEDED(dialog.SetOptions(options));
}

// Title, start name and type list of one call; the type picked last is chosen again when the
// new list has that many entries.
bool ApplyRequest(IFileDialog& dialog, const TFileDialogRequest& request, const TMemory& memory) {
    if (!request.Title.empty() && FAILED(dialog.SetTitle(Wide(request.Title).c_str()))) return false;
    if (FAILED(dialog.SetFileName(Wide(request.FileName).c_str()))) return false;
    if (request.FileTypes.empty()) return true;
    std::vector<std::wstring> texts;
    texts.reserve(request.FileTypes.size() * 2);
    for (const TFileType& type : request.FileTypes) {
        texts.push_back(Wide(type.Name));
        texts.push_back(Wide(type.Mask));
    }
    std::vector<COMDLG_FILTERSPEC> filters;
    for (std::size_t i = 0; i < texts.size(); i += 2) filters.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    if (FAILED(dialog.SetFileTypes(static_cast<UINT>(filters.size()), filters.data()))) return false;
    if (memory.TypeIndex >= 1 && memory.TypeIndex <= filters.size()) dialog.SetFileTypeIndex(memory.TypeIndex);
    return true;
}

// Shows the dialog owned by the active window, answers the chosen path ("" on cancel or
// failure) and keeps where it ended for the next call: the chosen item's folder, or after a
// cancel the folder the dialog showed last.
std::string ShowAndRemember(IFileDialog& dialog, TMemory& memory, bool hasTypes) {
    if (!memory.Folder.empty()) {
        TComPtr<IShellItem> start;
        if (SUCCEEDED(SHCreateItemFromParsingName(memory.Folder.c_str(), nullptr, IID_PPV_ARGS(start.Put()))))
            dialog.SetFolder(start.Get());
    }
    const HRESULT shown = dialog.Show(GetActiveWindow());  // cancel: HRESULT_FROM_WIN32(ERROR_CANCELLED)
    std::wstring chosen;
    TComPtr<IShellItem> result;
    if (SUCCEEDED(shown) && SUCCEEDED(dialog.GetResult(result.Put()))) chosen = FileSystemPath(result.Get());

    TComPtr<IShellItem> endedIn;
    const bool ended = chosen.empty() ? SUCCEEDED(dialog.GetFolder(endedIn.Put()))
                                      : SUCCEEDED(result->GetParent(endedIn.Put()));
    if (ended) {
        std::wstring folder = FileSystemPath(endedIn.Get());
        if (!folder.empty()) memory.Folder = std::move(folder);
    }
    UINT typeIndex = 0;
    if (hasTypes && SUCCEEDED(dialog.GetFileTypeIndex(&typeIndex)) && typeIndex >= 1) memory.TypeIndex = typeIndex;
    return Narrow(chosen);
}

}  // namespace

std::string TCommonItemDialogs::OpenFile(const TFileDialogRequest& request) {
    TComPtr<IFileOpenDialog> dialog = NewDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
    if (!dialog || !ChangeOptions(*dialog.Get(), FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST, FOS_ALLOWMULTISELECT) ||
        !ApplyRequest(*dialog.Get(), request, open_))
        return {};
    return ShowAndRemember(*dialog.Get(), open_, !request.FileTypes.empty());
}

std::string TCommonItemDialogs::SaveFile(const TFileDialogRequest& request, bool overwritePrompt) {
    TComPtr<IFileSaveDialog> dialog = NewDialog<IFileSaveDialog>(CLSID_FileSaveDialog);
    const FILEOPENDIALOGOPTIONS prompt = FOS_OVERWRITEPROMPT;
    if (!dialog || !ChangeOptions(*dialog.Get(), overwritePrompt ? prompt : 0, overwritePrompt ? 0 : prompt) ||
        !ApplyRequest(*dialog.Get(), request, save_))
        return {};
    return ShowAndRemember(*dialog.Get(), save_, !request.FileTypes.empty());
}

std::string TCommonItemDialogs::SelectFolder(const std::string& title) {
    TComPtr<IFileOpenDialog> dialog = NewDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
    if (!dialog || !ChangeOptions(*dialog.Get(), FOS_PICKFOLDERS | FOS_PATHMUSTEXIST, FOS_ALLOWMULTISELECT) ||
        (!title.empty() && FAILED(dialog->SetTitle(Wide(title).c_str()))))
        return {};
    return ShowAndRemember(*dialog.Get(), folder_, false);
}

}  // namespace vellum
