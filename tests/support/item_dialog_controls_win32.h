#pragma once

#include <windows.h>

#include <string>

// The controls of the system's common item dialogs (open, save, pick a folder) as a test or the
// UI driver reaches them from outside: the file-name box, the type list, the two buttons, and
// the question the dialog asks in a box of its own (replace an existing file?).
namespace vellum::testing {

// A window's class name and text, as another thread or process reads them.
std::wstring WindowClass(HWND window);
std::wstring WindowText(HWND window);

// The box the user types a name into: Wine's dialog has an edit (edt1), Windows' a combo box
// (cmb13) holding one. Null when the window has neither.
HWND FileNameEdit(HWND dialog);
// Replaces what the file-name box holds, as typing would; false without a file-name box.
bool SetDialogFileName(HWND dialog, const std::wstring& name);
std::wstring DialogFileName(HWND dialog);

// Chooses the type at a 1-based index in the type list and tells the dialog, as a user's pick
// does; false when the list has no such entry.
bool SelectDialogFileType(HWND dialog, int index);
// The 1-based index of the type the list shows; 0 without a type list or selection.
int SelectedDialogFileType(HWND dialog);

// Presses the dialog's default button (IDOK: "Open", "Save", "Select Folder") or its Cancel.
void ConfirmDialog(HWND dialog);
void CancelDialog(HWND dialog);

// A visible message box that `owner` owns (the overwrite question), or null.
HWND OwnedMessageBox(HWND owner);

}  // namespace vellum::testing
