// notification_click.exe [TIMEOUT_MS]: clicks the balloon of the runtime's notifications, as the
// user would, by posting the shell's click message to the notifier's message-only window.
// Exit code 0 when posted, 1 when no such window appeared in time.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>

namespace {

// The notifier's window class, icon identifier and callback message (TBalloonNotifier).
const wchar_t* const kWindowClass = L"TVellumNotificationBalloon";
constexpr UINT kIconId = 0x564E;
constexpr UINT kCallbackMessage = WM_APP + 0x4E;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const ULONGLONG until = GetTickCount64() + (argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 10000);
    do {
        if (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, nullptr)) {
            return PostMessageW(window, kCallbackMessage, kIconId, NIN_BALLOONUSERCLICK) ? 0 : 1;
        }
        Sleep(50);
    } while (GetTickCount64() < until);
    return 1;
}
