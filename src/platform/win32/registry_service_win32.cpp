#include "platform/win32/registry_service_win32.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "core/text/utf.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

constexpr REGSAM kFullAccess = 0xF003F;
constexpr REGSAM kExistenceTest = 0x20009;  // read control, query values, enumerate subkeys

// A key opened below a parent (or created there, with every missing key above it:
// non-volatile, default security); closed when it goes.
class TOpenKey {
public:
    enum TMode { Open, Create };
    TOpenKey(HKEY parent, const std::wstring& path, REGSAM access, TMode mode = Open) {
        const LONG result = mode == Create ? RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                             access, nullptr, &handle_, nullptr)
                                           : RegOpenKeyExW(parent, path.c_str(), 0, access, &handle_);
        if (result != ERROR_SUCCESS) handle_ = nullptr;
    }
    ~TOpenKey() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }
    TOpenKey(const TOpenKey&) = delete;
    TOpenKey& operator=(const TOpenKey&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    HKEY Handle() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

// The subkey at `index`, in a buffer of `longest` characters; empty when there is none (key
// names are never empty).
std::wstring SubkeyName(HKEY key, DWORD index, DWORD longest) {
    std::wstring name(static_cast<std::size_t>(longest) + 1, L'\0');
    DWORD length = longest + 1;
    if (RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return {};
    name.resize(length);
    return name;
}

// Depth first from the last subkey down, each subkey deleted from the key above it; then the
// key itself. A subkey that resists stays, and with it every key above it.
bool DeleteTree(HKEY parent, const std::wstring& path) {
    {
        const TOpenKey key(parent, path, kFullAccess);
        DWORD subkeys = 0;
        DWORD longest = 0;
        if (key && RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, &subkeys, &longest, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            for (DWORD index = subkeys; index-- > 0;) {
                const std::wstring name = SubkeyName(key.Handle(), index, longest);
                if (!name.empty()) DeleteTree(key.Handle(), name);
            }
    }
    return RegDeleteKeyExW(parent, path.c_str(), 0, 0) == ERROR_SUCCESS;
}

}  // namespace

TRegistryWrite TWin32RegistryService::WriteString(const std::string& key, const std::string& name,
                                                  const std::string& value) {
    const TOpenKey opened(HKEY_CURRENT_USER, Wide(key), kFullAccess, TOpenKey::Create);
    if (!opened) return TRegistryWrite::KeyUnavailable;
    const std::wstring text = Wide(value);
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // with the terminator
    const LONG stored = RegSetValueExW(opened.Handle(), Wide(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    return stored == ERROR_SUCCESS ? TRegistryWrite::Written : TRegistryWrite::StoreFailed;
}

TRegistryRead TWin32RegistryService::ReadString(const std::string& key, const std::string& name) {
    const TOpenKey opened(HKEY_CURRENT_USER, Wide(key), kFullAccess);
    if (!opened) return {};
    const std::wstring valueName = Wide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(opened.Handle(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return {};
    // One more character than the data holds, so that an odd size or a missing terminator still
    // ends in a zero.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    DWORD read = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    const LONG result =
        RegQueryValueExW(opened.Handle(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &read);
    if (result != ERROR_SUCCESS) return {TRegistryReadStatus::ReadFailed, ""};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {TRegistryReadStatus::NotAString, ""};
    const std::size_t units = std::min<std::size_t>(read / sizeof(wchar_t), data.size() - 1);
    std::size_t length = 0;
    while (length < units && data[length] != L'\0') ++length;
    return {TRegistryReadStatus::Text,
            Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(data.data()), length))};
}

bool TWin32RegistryService::ValueExists(const std::string& key, const std::string& name) {
    const TOpenKey opened(HKEY_CURRENT_USER, Wide(key), kFullAccess);
    DWORD type = 0;
    DWORD size = 0;
    return opened &&
           RegQueryValueExW(opened.Handle(), Wide(name).c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TWin32RegistryService::DeleteValue(const std::string& key, const std::string& name) {
    const TOpenKey opened(HKEY_CURRENT_USER, Wide(key), kFullAccess);
    return opened && RegDeleteValueW(opened.Handle(), Wide(name).c_str()) == ERROR_SUCCESS;
}

bool TWin32RegistryService::KeyExists(const std::string& key) {
    return static_cast<bool>(TOpenKey(HKEY_CURRENT_USER, Wide(key), kExistenceTest));
}

bool TWin32RegistryService::DeleteKeyTree(const std::string& key) {
    // The root itself is never deleted.
    if (key.empty() || !KeyExists(key)) return false;
    return DeleteTree(HKEY_CURRENT_USER, Wide(key));
}

}  // namespace vellum
