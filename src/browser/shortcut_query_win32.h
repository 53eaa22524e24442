#pragma once

#include <windows.h>

namespace vellum {

// The question the browser control sends to its top-level form: is this key one of your
// shortcuts? lParam points to the keyboard MSG; a form that takes it as a shortcut runs the
// command and answers nonzero. Forms without shortcuts leave the message to DefWindowProc (0).
inline UINT ShortCutQueryMessage() {
    static const UINT message = RegisterWindowMessageW(L"Vellum.IsShortCut");
    return message;
}

// A form's answer through its accelerator table (its menu shortcuts).
inline LRESULT AnswerShortCutQuery(HWND form, HACCEL accelerators, LPARAM lParam) {
    if (accelerators == nullptr || lParam == 0) return 0;
    MSG message = *reinterpret_cast<const MSG*>(lParam);
    message.hwnd = form;
    return TranslateAcceleratorW(form, accelerators, &message) != 0 ? 1 : 0;
}

}  // namespace vellum
