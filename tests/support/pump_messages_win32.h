#pragma once

#include <windows.h>

#include <functional>

namespace vellum::testing {

// Serves the calling thread's messages, as a user-interface thread does, until `done` holds or
// the time is up; answers whether it held.
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 10000) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    MSG message;
    while (GetTickCount64() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return false;
}

}  // namespace vellum::testing
