#pragma once

#include <filesystem>
#include <string>

namespace vellum {

// What Windows needs before it shows a desktop program's toasts: a Start-menu shortcut that
// points to the program and carries its application user-model identity, and the program's
// notification setting "ShowInActionCenter".
struct TToastRegistration {
    std::wstring AppUserModelId;
    std::filesystem::path Executable;
    std::filesystem::path Shortcut;  // the .lnk file
};

// The registration of an executable: its identity (NotificationAppUserModelId of its file name)
// and a shortcut named after it in the user's Start-menu programs folder.
TToastRegistration ToastRegistrationFor(const std::filesystem::path& executable);

// Makes sure the shortcut exists, points to the executable and carries the identity (it is
// written again only when it does not), and sets "ShowInActionCenter" = 1 (REG_DWORD) under
// HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Notifications\Settings\<identity>. COM must be
// initialised on the calling thread. False when either could not be done.
bool RegisterToastApplication(const TToastRegistration& registration);

// The key holding the application's notification settings, below HKEY_CURRENT_USER.
std::wstring NotificationSettingsKey(const std::wstring& appUserModelId);

// Reads the identity a shortcut carries; empty when it has none or cannot be read.
std::wstring ShortcutAppUserModelId(const std::filesystem::path& shortcut);
// Reads the target a shortcut points to; empty when it cannot be read.
std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut);

}  // namespace vellum
