#include "platform/win32/toast_registration_win32.h"

#include <windows.h>

#include <objidl.h>
#include <propidl.h>
#include <propsys.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <system_error>

#include "core/text/utf.h"
#include "platform/notification_content.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

// PKEY_AppUserModel_ID: System.AppUserModel.ID, format {9F4C2855-9F79-4B39-A8D0-E1D42DE1D5F3}, 5.
const PROPERTYKEY kAppUserModelIdKey = {{0x9f4c2855, 0x9f79, 0x4b39, {0xa8, 0xd0, 0xe1, 0xd4, 0x2d, 0xe1, 0xd5, 0xf3}},
                                        5};

// The shell's link object, released when it goes.
class TShellLink {
public:
    TShellLink() {
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link_))))
            link_ = nullptr;
    }
    ~TShellLink() {
        if (link_ != nullptr) link_->Release();
    }
    TShellLink(const TShellLink&) = delete;
    TShellLink& operator=(const TShellLink&) = delete;

    IShellLinkW* operator->() const { return link_; }
    explicit operator bool() const { return link_ != nullptr; }

    template <typename T>
    T* As(REFIID iid) const {
        T* object = nullptr;
        if (link_ == nullptr || FAILED(link_->QueryInterface(iid, reinterpret_cast<void**>(&object)))) return nullptr;
        return object;
    }

    bool Load(const std::filesystem::path& file) const {
        IPersistFile* persist = As<IPersistFile>(IID_IPersistFile);
        const bool loaded = persist != nullptr && SUCCEEDED(persist->Load(file.c_str(), STGM_READ));
        if (persist != nullptr) persist->Release();
        return loaded;
    }

private:
    IShellLinkW* link_ = nullptr;
};

std::wstring ReadAppUserModelId(const TShellLink& link) {
    IPropertyStore* store = link.As<IPropertyStore>(IID_IPropertyStore);
    if (store == nullptr) return {};
    std::wstring id;
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(store->GetValue(kAppUserModelIdKey, &value)) && value.vt == VT_LPWSTR && value.pwszVal != nullptr)
        id = value.pwszVal;
    PropVariantClear(&value);
    store->Release();
    return id;
}

std::filesystem::path ReadTarget(const TShellLink& link) {
    wchar_t target[MAX_PATH * 4] = {};
    if (FAILED(link->GetPath(target, static_cast<int>(std::size(target)), nullptr, 0))) return {};
    return target;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool WriteShortcut(const TToastRegistration& registration) {
    TShellLink link;
    if (!link) return false;
    if (FAILED(link->SetPath(registration.Executable.c_str())) ||
        FAILED(link->SetWorkingDirectory(registration.Executable.parent_path().c_str())))
        return false;
    IPropertyStore* store = link.As<IPropertyStore>(IID_IPropertyStore);
    if (store == nullptr) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    const std::size_t bytes = (registration.AppUserModelId.size() + 1) * sizeof(wchar_t);
    value.vt = VT_LPWSTR;
    value.pwszVal = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    bool stored = false;
    if (value.pwszVal != nullptr) {
        std::memcpy(value.pwszVal, registration.AppUserModelId.c_str(), bytes);
        stored = SUCCEEDED(store->SetValue(kAppUserModelIdKey, value)) && SUCCEEDED(store->Commit());
    }
    PropVariantClear(&value);
    store->Release();
    if (!stored) return false;
    std::error_code ignored;
    std::filesystem::create_directories(registration.Shortcut.parent_path(), ignored);
    IPersistFile* persist = link.As<IPersistFile>(IID_IPersistFile);
    const bool saved = persist != nullptr && SUCCEEDED(persist->Save(registration.Shortcut.c_str(), TRUE));
    if (persist != nullptr) persist->Release();
    return saved;
}

bool ShortcutIsCurrent(const TToastRegistration& registration) {
    TShellLink link;
    if (!link || !link.Load(registration.Shortcut)) return false;
    return SameFile(ReadTarget(link), registration.Executable) && ReadAppUserModelId(link) == registration.AppUserModelId;
}

bool ShowInActionCenter(const std::wstring& appUserModelId) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, NotificationSettingsKey(appUserModelId).c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD one = 1;
    const bool set = RegSetValueExW(key, L"ShowInActionCenter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                                    sizeof one) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

std::filesystem::path StartMenuPrograms() {
    wchar_t* folder = nullptr;
    std::filesystem::path programs;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Programs, KF_FLAG_CREATE, nullptr, &folder))) programs = folder;
    CoTaskMemFree(folder);
    return programs;
}

}  // namespace

std::wstring NotificationSettingsKey(const std::wstring& appUserModelId) {
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Notifications\\Settings\\" + appUserModelId;
}

TToastRegistration ToastRegistrationFor(const std::filesystem::path& executable) {
    TToastRegistration registration;
    const std::u16string name = executable.filename().u16string();
    registration.AppUserModelId = Wide(NotificationAppUserModelId(Utf16ToUtf8(name)));
    registration.Executable = executable;
    const std::filesystem::path programs = StartMenuPrograms();
    if (!programs.empty()) registration.Shortcut = programs / executable.stem().concat(L".lnk");
    return registration;
}

bool RegisterToastApplication(const TToastRegistration& registration) {
    if (registration.Shortcut.empty() || registration.AppUserModelId.empty()) return false;
    const bool shortcut = ShortcutIsCurrent(registration) || WriteShortcut(registration);
    const bool setting = ShowInActionCenter(registration.AppUserModelId);
    return shortcut && setting;
}

std::wstring ShortcutAppUserModelId(const std::filesystem::path& shortcut) {
    TShellLink link;
    return link && link.Load(shortcut) ? ReadAppUserModelId(link) : std::wstring();
}

std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut) {
    TShellLink link;
    return link && link.Load(shortcut) ? ReadTarget(link) : std::filesystem::path();
}

}  // namespace vellum
