#include "item_dialog_controls_win32.h"

namespace vellum::testing {

namespace {

constexpr int kFileNameEdit = 1152;   // edt1
constexpr int kFileNameCombo = 1148;  // cmb13
constexpr int kFileTypeCombo = 1136;  // cmb1

// A control at any depth: a dialog may nest its controls in panes.
HWND Descendant(HWND dialog, int id) {
    struct TSearch {
        int Id;
        HWND Found;
    } search{id, nullptr};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(parameter);
            if (GetDlgCtrlID(child) != s->Id) return TRUE;
            s->Found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void Command(HWND dialog, int id, int code, HWND control) {
    PostMessageW(GetParent(control) != nullptr ? GetParent(control) : dialog, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(control));
}

}  // namespace

std::wstring WindowClass(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring WindowText(HWND window) {
    const auto length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

HWND FileNameEdit(HWND dialog) {
    HWND edit = Descendant(dialog, kFileNameEdit);
    if (edit != nullptr && WindowClass(edit) == L"Edit") return edit;
    if (HWND combo = Descendant(dialog, kFileNameCombo)) return FindWindowExW(combo, nullptr, L"Edit", nullptr);
    return nullptr;
}

bool SetDialogFileName(HWND dialog, const std::wstring& name) {
    HWND edit = FileNameEdit(dialog);
    if (edit == nullptr) return false;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    return true;
}

std::wstring DialogFileName(HWND dialog) {
    HWND edit = FileNameEdit(dialog);
    return edit != nullptr ? WindowText(edit) : std::wstring();
}

bool SelectDialogFileType(HWND dialog, int index) {
    HWND list = Descendant(dialog, kFileTypeCombo);
    if (list == nullptr || index < 1 || index > SendMessageW(list, CB_GETCOUNT, 0, 0)) return false;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index - 1), 0);
    Command(dialog, kFileTypeCombo, CBN_SELCHANGE, list);
    return true;
}

int SelectedDialogFileType(HWND dialog) {
    HWND list = Descendant(dialog, kFileTypeCombo);
    return list != nullptr ? static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)) + 1 : 0;
}

void ConfirmDialog(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void CancelDialog(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

HWND OwnedMessageBox(HWND owner) {
    struct TSearch {
        HWND Owner;
        HWND Found;
    } search{owner, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(parameter);
            if (GetWindow(window, GW_OWNER) != s->Owner || !IsWindowVisible(window) || WindowClass(window) != L"#32770")
                return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

}  // namespace vellum::testing
